#include "RecordingPrompts.h"

#include <QCoreApplication>

namespace nuvex3::test {

namespace {
// What a modal dialog does while it is open: the events already queued are handled.
void runEventLoopOnce() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}
} // namespace

void RecordingPrompts::message(const QString& text, PromptIcon icon) {
    std::lock_guard g(m_);
    messages_ << text;
    icons_ << icon;
}

bool RecordingPrompts::askYesNo(const QString& text) {
    std::lock_guard g(m_);
    questions_ << text;
    if (yesNo_.empty())
        return false;
    const bool a = yesNo_.front();
    yesNo_.pop_front();
    return a;
}

QString RecordingPrompts::openFile(const QString& filter, const QString&) {
    runEventLoopOnce();
    std::lock_guard g(m_);
    filters_ << filter;
    if (openFiles_.empty())
        return {};
    QString p = openFiles_.front();
    openFiles_.pop_front();
    return p;
}

QString RecordingPrompts::saveFile(const QString& filter, const QString&) {
    runEventLoopOnce();
    std::lock_guard g(m_);
    filters_ << filter;
    if (saveFiles_.empty())
        return {};
    QString p = saveFiles_.front();
    saveFiles_.pop_front();
    return p;
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

void RecordingPrompts::clear() {
    std::lock_guard g(m_);
    messages_.clear();
    icons_.clear();
    questions_.clear();
    filters_.clear();
    urls_.clear();
}

} // namespace nuvex3::test
