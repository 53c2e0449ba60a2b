#include "ui/Prompts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>
#include <QUrl>

#include <atomic>

namespace nuvex3 {

namespace {

class QtPrompts final : public Prompts {
public:
    void message(const QString& text, PromptIcon icon) override {
        QMessageBox box(toQt(icon), QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.exec();
    }
    bool askYesNo(const QString& text) override {
        return QMessageBox::question(QApplication::activeWindow(),
                                     QApplication::applicationDisplayName(), text,
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }
    QString openFile(const QString& filter, const QString& directory) override {
        return QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), directory,
                                            filter);
    }
    QString saveFile(const QString& filter, const QString& directory) override {
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), QString(), directory,
                                            filter);
    }
    void openUrl(const QString& url) override { QDesktopServices::openUrl(QUrl(url)); }

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

Prompts& prompts() {
    Prompts* p = g_current.load(std::memory_order_acquire);
    return p ? *p : g_qt;
}

void setPrompts(Prompts* p) {
    g_current.store(p, std::memory_order_release);
}

void postMessage(const QString& text, PromptIcon icon) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        prompts().message(text, icon);
        return;
    }
    QMetaObject::invokeMethod(
        app, [text, icon] { prompts().message(text, icon); }, Qt::QueuedConnection);
}

} // namespace nuvex3
