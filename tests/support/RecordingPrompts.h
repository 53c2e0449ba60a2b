#pragma once
// A Prompts fake for tests: keeps every text shown and answers from a script. Like the
// real dialogs, every box and dialog runs an event loop while it is "open" (it processes
// what is already queued, then closes), so a box opened from inside another one would
// show up here as nesting; maxOpen() tells the deepest nesting seen.

#include "ui/Prompts.h"

#include <QStringList>

#include <deque>
#include <mutex>

namespace nuvex3::test {

class RecordingPrompts final : public ModalPrompts {
public:
    void openUrl(const QString& url) override;

    // Scripted answers, used first in first out; when empty: No / cancel.
    void queueYesNo(bool answer);
    void queueOpenFile(const QString& path);
    void queueSaveFile(const QString& path);

    // The text of every message box shown (a repeated message with its count).
    QStringList messages() const;
    QList<PromptIcon> icons() const; // the icon of every message, in order
    QStringList questions() const;
    QStringList fileFilters() const; // the filter of every file dialog shown
    QStringList urls() const;
    // The most boxes and dialogs that were open at the same time.
    int maxOpen() const;
    void clear();

protected:
    void showMessage(const QString& text, PromptIcon icon) override;
    bool showQuestion(const QString& text) override;
    QString showOpenFile(const QString& filter, const QString& directory) override;
    QString showSaveFile(const QString& filter, const QString& directory) override;

private:
    // Runs what is queued for the UI thread, as the open box's event loop would.
    void runOpenBox();
    // Records a file dialog and takes the next scripted answer (cancel when none is left).
    QString answerFile(const QString& filter, std::deque<QString>& answers);

    mutable std::mutex m_;
    QStringList messages_, questions_, filters_, urls_;
    QList<PromptIcon> icons_;
    std::deque<bool> yesNo_;
    std::deque<QString> openFiles_, saveFiles_;
    int maxOpen_ = 0;
};

} // namespace nuvex3::test
