#pragma once
// Every message box, yes/no question, file dialog and browser hand-off of the tool goes
// through this interface. The program installs the Qt dialogs; tests install a recording
// fake that answers from a script and keeps every text shown.

#include <QString>
#include <QStringList>

#include <cstddef>
#include <deque>
#include <functional>

namespace nuvex3 {

enum class PromptIcon { Information, Exclamation, Error, Question };

class Prompts {
public:
    virtual ~Prompts() = default;
    // A modal message box. On the UI thread it returns when the box has been closed (or at
    // once when the message has to wait, see ModalPrompts); from another thread it is
    // queued to the UI thread.
    virtual void message(const QString& text, PromptIcon icon = PromptIcon::Exclamation) = 0;
    virtual bool askYesNo(const QString& text) = 0;
    // Returns the chosen path, or an empty string when cancelled.
    virtual QString openFile(const QString& filter, const QString& directory) = 0;
    virtual QString saveFile(const QString& filter, const QString& directory) = 0;
    virtual void openUrl(const QString& url) = 0;
};

// Message boxes that never nest. A modal box runs an event loop of its own, in which
// further events arrive; each of them could open a box inside the box. Here, while a box
// (or a question or file dialog) is open, further messages wait and are shown one after
// the other once it closes. A message identical to one that already waits is counted
// instead of queued again, and its box says how often it came; the first box always shows
// its exact text. At most kMaxWaiting different messages wait; what comes beyond that is
// summed up in one last box. Every occurrence also goes to the message log (see
// setMessageLog), whether it gets a box of its own or not.
//
// The Qt dialogs and the test fake both build on this; they only show one box each time.
class ModalPrompts : public Prompts {
public:
    static constexpr std::size_t kMaxWaiting = 10;

    void message(const QString& text, PromptIcon icon = PromptIcon::Exclamation) final;
    bool askYesNo(const QString& text) final;
    QString openFile(const QString& filter, const QString& directory) final;
    QString saveFile(const QString& filter, const QString& directory) final;

    // Boxes and dialogs open right now (UI thread).
    int openNow() const { return open_; }
    std::size_t waiting() const { return waiting_.size(); }

    // The text of a box that stands for `count` occurrences of `text`.
    static QString countedText(const QString& text, int count);
    // The last box's text when `count` further messages found no place to wait.
    static QString overflowText(int count);

protected:
    // Show one box or dialog and return when it is closed; events are processed meanwhile.
    virtual void showMessage(const QString& text, PromptIcon icon) = 0;
    virtual bool showQuestion(const QString& text) = 0;
    virtual QString showOpenFile(const QString& filter, const QString& directory) = 0;
    virtual QString showSaveFile(const QString& filter, const QString& directory) = 0;

private:
    struct Waiting {
        QString text;
        PromptIcon icon;
        int count;
    };
    class OpenScope;
    void showWaiting();
    // Runs show() with a dialog counted as open, then shows what waited meanwhile.
    template <class Show> auto whileOpen(Show show);

    int open_ = 0;
    std::deque<Waiting> waiting_;
    int overflow_ = 0;
};

// The prompts in force (Qt dialogs unless a test installed others).
Prompts& prompts();
void setPrompts(Prompts* p); // nullptr restores the Qt dialogs

// Receives every message text, each time it occurs (the main window logs them). UI thread;
// an empty function stops it.
void setMessageLog(std::function<void(const QString& text)> log);

// Shows a message from any thread: on the UI thread at once, from another thread it is
// queued to the UI thread (the caller does not wait).
void postMessage(const QString& text, PromptIcon icon = PromptIcon::Exclamation);

class ScopedPrompts {
public:
    explicit ScopedPrompts(Prompts& p) { setPrompts(&p); }
    ~ScopedPrompts() { setPrompts(nullptr); }
    ScopedPrompts(const ScopedPrompts&) = delete;
    ScopedPrompts& operator=(const ScopedPrompts&) = delete;
};

} // namespace nuvex3
