#pragma once
// A prompter for tests: answers come from a script queued in advance, and
// every message shown is recorded. A question, input box, file or colour
// dialog with nothing left in its queue throws std::logic_error, so a test
// never passes on an answer it did not script.

#include "context/Prompter.h"

#include <deque>
#include <vector>

namespace tq::context {

class ScriptedPrompter final : public Prompter {
public:
    void pushAnswer(Answer answer) { m_answers.push_back(answer); }
    // Texts for inputText and the file dialogs, in order; a cancelled input box
    // or dialog is pushCancelledInput(). pushColour(-1) cancels a colour dialog.
    void pushText(const QString& text) { m_texts.push_back(text); }
    void pushCancelledInput() { m_texts.push_back(QString()); }
    void pushColour(qint32 colour) { m_colours.push_back(colour); }

    void inform(const Message& message) override;
    Answer ask(const Message& message, bool withCancel = false) override;
    bool inputText(const QString& prompt, const QString& caption, QString& value) override;
    QString openFileName(const QString& caption, const QString& directory, const QString& filter) override;
    QString saveFileName(const QString& caption, const QString& fileName, const QString& filter) override;
    bool pickColour(qint32& colour) override;

    // Everything shown, in order (inform and ask messages; input prompts and
    // dialog captions as text only).
    const std::vector<Message>& messages() const { return m_messages; }
    QStringList texts() const;
    void clear() { m_messages.clear(); }

private:
    QString takeText(const char* what);

    std::deque<Answer> m_answers;
    std::deque<QString> m_texts;
    std::deque<qint32> m_colours;
    std::vector<Message> m_messages;
};

} // namespace tq::context
