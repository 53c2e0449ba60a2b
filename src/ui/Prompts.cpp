#include "ui/Prompts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>
#include <QUrl>

#include <atomic>
#include <utility>

namespace nuvex3 {

namespace {

bool onUiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

std::function<void(const QString&)>& messageLog() {
    static std::function<void(const QString&)> log;
    return log;
}

class QtPrompts final : public ModalPrompts {
public:
    void openUrl(const QString& url) override { QDesktopServices::openUrl(QUrl(url)); }

protected:
    void showMessage(const QString& text, PromptIcon icon) override {
        QMessageBox box(toQt(icon), QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.exec();
    }
    bool showQuestion(const QString& text) override {
        return QMessageBox::question(QApplication::activeWindow(),
                                     QApplication::applicationDisplayName(), text,
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }
    QString showOpenFile(const QString& filter, const QString& directory) override {
        return QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), directory,
                                            filter);
    }
    QString showSaveFile(const QString& filter, const QString& directory) override {
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), QString(), directory,
                                            filter);
    }

private:
    static QMessageBox::Icon toQt(PromptIcon icon) {
        switch (icon) {
        case PromptIcon::Information:
            return QMessageBox::Information;
        case PromptIcon::Exclamation:
            return QMessageBox::Warning;
        case PromptIcon::Error:
            return QMessageBox::Critical;
        case PromptIcon::Question:
            return QMessageBox::Question;
        }
        return QMessageBox::NoIcon;
    }
};

QtPrompts g_qt;
std::atomic<Prompts*> g_current{nullptr};

} // namespace

class ModalPrompts::OpenScope {
public:
    explicit OpenScope(ModalPrompts& p) : p_(p) { ++p_.open_; }
    ~OpenScope() { --p_.open_; }
    OpenScope(const OpenScope&) = delete;
    OpenScope& operator=(const OpenScope&) = delete;

private:
    ModalPrompts& p_;
};

void ModalPrompts::message(const QString& text, PromptIcon icon) {
    if (!onUiThread()) {
        postMessage(text, icon);
        return;
    }
    if (const auto& log = messageLog())
        log(text);
    if (open_ > 0) {
        for (Waiting& w : waiting_) {
            if (w.text == text && w.icon == icon) {
                ++w.count;
                return;
            }
        }
        if (waiting_.size() < kMaxWaiting)
            waiting_.push_back({text, icon, 1});
        else
            ++overflow_;
        return;
    }
    {
        const OpenScope scope(*this);
        showMessage(text, icon);
    }
    showWaiting();
}

void ModalPrompts::showWaiting() {
    // Only the outermost box shows what waits; a box closed inside another one leaves it.
    while (open_ == 0) {
        if (!waiting_.empty()) {
            const Waiting next = waiting_.front();
            waiting_.pop_front();
            const OpenScope scope(*this);
            showMessage(countedText(next.text, next.count), next.icon);
        } else if (overflow_ > 0) {
            const int count = overflow_;
            overflow_ = 0;
            const OpenScope scope(*this);
            showMessage(overflowText(count), PromptIcon::Exclamation);
        } else {
            return;
        }
    }
}

template <class Show> auto ModalPrompts::whileOpen(Show show) {
    auto result = [&] {
        const OpenScope scope(*this);
        return show();
    }();
    showWaiting();
    return result;
}

bool ModalPrompts::askYesNo(const QString& text) {
    return whileOpen([&] { return showQuestion(text); });
}

QString ModalPrompts::openFile(const QString& filter, const QString& directory) {
    return whileOpen([&] { return showOpenFile(filter, directory); });
}

QString ModalPrompts::saveFile(const QString& filter, const QString& directory) {
    return whileOpen([&] { return showSaveFile(filter, directory); });
}

QString ModalPrompts::countedText(const QString& text, int count) {
    return count <= 1 ? text : text + QStringLiteral("\n\n(%1 times)").arg(count);
}

QString ModalPrompts::overflowText(int count) {
    return QStringLiteral("%1 more messages: see the log view").arg(count);
}

Prompts& prompts() {
    Prompts* p = g_current.load(std::memory_order_acquire);
    return p ? *p : g_qt;
}

void setPrompts(Prompts* p) {
    g_current.store(p, std::memory_order_release);
}

void setMessageLog(std::function<void(const QString&)> log) {
    messageLog() = std::move(log);
}

void postMessage(const QString& text, PromptIcon icon) {
    if (onUiThread()) {
        prompts().message(text, icon);
        return;
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [text, icon] { prompts().message(text, icon); },
        Qt::QueuedConnection);
}

} // namespace nuvex3
