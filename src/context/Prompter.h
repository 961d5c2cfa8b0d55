#pragma once
// Every message box, question, input box and file dialog of the core goes
// through this interface. The GUI implements it with Qt dialogs, the command
// line with options and stderr, tests with a script of answers that records
// every text shown. Message texts are the system's own, passed unchanged.

#include <QString>
#include <QStringList>

namespace tq::context {

enum class Answer { Yes, No, Cancel, Ok };

enum class Icon { None, Information, Question, Exclamation, Critical };

struct Message {
    QString text;
    QString caption;               // empty: the application title
    Icon icon = Icon::None;
    bool systemModal = false;
};

class Prompter {
public:
    virtual ~Prompter() = default;

    // An OK-only message box.
    virtual void inform(const Message& message) = 0;
    // A question; `withCancel` adds the Cancel choice. Returns Yes, No or Cancel.
    virtual Answer ask(const Message& message, bool withCancel = false) = 0;
    // An input box; returns false when the user cancelled.
    virtual bool inputText(const QString& prompt, const QString& caption, QString& value) = 0;
    // File dialogs; an empty result means cancelled.
    virtual QString openFileName(const QString& caption, const QString& directory, const QString& filter) = 0;
    virtual QString saveFileName(const QString& caption, const QString& fileName, const QString& filter) = 0;
    // A colour chooser on a Windows colour value (red in the lowest byte); false when cancelled.
    virtual bool pickColour(qint32& colour) = 0;
};

} // namespace tq::context
