#pragma once
// Every message box, yes/no question, file dialog and browser hand-off of the tool goes
// through this interface. The program installs the Qt dialogs; tests install a recording
// fake that answers from a script and keeps every text shown.

#include <QString>
#include <QStringList>

namespace nuvex3 {

enum class PromptIcon { Information, Exclamation, Error, Question };

class Prompts {
public:
    virtual ~Prompts() = default;
    // A modal message box. Must be called on the UI thread (see postMessage()).
    virtual void message(const QString& text, PromptIcon icon = PromptIcon::Exclamation) = 0;
    virtual bool askYesNo(const QString& text) = 0;
    // Returns the chosen path, or an empty string when cancelled.
    virtual QString openFile(const QString& filter, const QString& directory) = 0;
    virtual QString saveFile(const QString& filter, const QString& directory) = 0;
    virtual void openUrl(const QString& url) = 0;
};

// The prompts in force (Qt dialogs unless a test installed others).
Prompts& prompts();
void setPrompts(Prompts* p); // nullptr restores the Qt dialogs

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
