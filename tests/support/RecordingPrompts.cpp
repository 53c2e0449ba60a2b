#include "RecordingPrompts.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace nuvex3::test {

void RecordingPrompts::runOpenBox() {
    {
        std::lock_guard g(m_);
        maxOpen_ = std::max(maxOpen_, openNow());
    }
    const QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return;
    QEventLoop loop;
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec();
}

void RecordingPrompts::showMessage(const QString& text, PromptIcon icon) {
    {
        std::lock_guard g(m_);
        messages_ << text;
        icons_ << icon;
    }
    runOpenBox();
}

bool RecordingPrompts::showQuestion(const QString& text) {
    bool answer = false;
    {
        std::lock_guard g(m_);
        questions_ << text;
        if (!yesNo_.empty()) {
            answer = yesNo_.front();
            yesNo_.pop_front();
        }
    }
    runOpenBox();
    return answer;
}

QString RecordingPrompts::answerFile(const QString& filter, std::deque<QString>& answers) {
    QString chosen;
    {
        std::lock_guard g(m_);
        filters_ << filter;
        if (!answers.empty()) {
            chosen = answers.front();
            answers.pop_front();
        }
    }
    runOpenBox();
    return chosen;
}

QString RecordingPrompts::showOpenFile(const QString& filter, const QString&) {
    return answerFile(filter, openFiles_);
}

QString RecordingPrompts::showSaveFile(const QString& filter, const QString&) {
    return answerFile(filter, saveFiles_);
}

void RecordingPrompts::openUrl(const QString& url) {
    std::lock_guard g(m_);
    urls_ << url;
}

void RecordingPrompts::queueYesNo(bool answer) {
    std::lock_guard g(m_);
    yesNo_.push_back(answer);
}

void RecordingPrompts::queueOpenFile(const QString& path) {
    std::lock_guard g(m_);
    openFiles_.push_back(path);
}

void RecordingPrompts::queueSaveFile(const QString& path) {
    std::lock_guard g(m_);
    saveFiles_.push_back(path);
}

QStringList RecordingPrompts::messages() const {
    std::lock_guard g(m_);
    return messages_;
}

QList<PromptIcon> RecordingPrompts::icons() const {
    std::lock_guard g(m_);
    return icons_;
}

QStringList RecordingPrompts::questions() const {
    std::lock_guard g(m_);
    return questions_;
}

QStringList RecordingPrompts::fileFilters() const {
    std::lock_guard g(m_);
    return filters_;
}

QStringList RecordingPrompts::urls() const {
    std::lock_guard g(m_);
    return urls_;
}

int RecordingPrompts::maxOpen() const {
    std::lock_guard g(m_);
    return maxOpen_;
}

void RecordingPrompts::clear() {
    std::lock_guard g(m_);
    maxOpen_ = 0;
    messages_.clear();
    icons_.clear();
    questions_.clear();
    filters_.clear();
    urls_.clear();
}

} // namespace nuvex3::test
