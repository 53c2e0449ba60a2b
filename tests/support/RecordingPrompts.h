#pragma once
// A Prompts fake for tests: keeps every text shown and answers from a script. Its file
// dialogs run the event loop once, as the real modal dialogs do, so that work queued by
// the caller runs while the dialog is open.

#include "ui/Prompts.h"

#include <QStringList>

#include <deque>
#include <mutex>

namespace nuvex3::test {

class RecordingPrompts final : public Prompts {
public:
    void message(const QString& text, PromptIcon icon) override;
    bool askYesNo(const QString& text) override;
    QString openFile(const QString& filter, const QString& directory) override;
    QString saveFile(const QString& filter, const QString& directory) override;
    void openUrl(const QString& url) override;

    // Scripted answers, used first in first out; when empty: No / cancel.
    void queueYesNo(bool answer);
    void queueOpenFile(const QString& path);
    void queueSaveFile(const QString& path);

    QStringList messages() const;
    QList<PromptIcon> icons() const; // the icon of every message, in order
    QStringList questions() const;
    QStringList fileFilters() const; // the filter of every file dialog shown
    QStringList urls() const;
    void clear();

private:
    mutable std::mutex m_;
    QStringList messages_, questions_, filters_, urls_;
    QList<PromptIcon> icons_;
    std::deque<bool> yesNo_;
    std::deque<QString> openFiles_, saveFiles_;
};

} // namespace nuvex3::test
