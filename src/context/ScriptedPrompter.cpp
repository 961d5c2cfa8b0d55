#include "context/ScriptedPrompter.h"

#include <stdexcept>

namespace tq::context {

void ScriptedPrompter::inform(const Message& message)
{
    m_messages.push_back(message);
}

Answer ScriptedPrompter::ask(const Message& message, bool)
{
    m_messages.push_back(message);
    if (m_answers.empty())
        throw std::logic_error("ScriptedPrompter: no answer scripted for: " + message.text.toStdString());
    const Answer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

QString ScriptedPrompter::takeText(const char* what)
{
    if (m_texts.empty())
        throw std::logic_error(std::string("ScriptedPrompter: no text scripted for ") + what);
    QString text = m_texts.front();
    m_texts.pop_front();
    return text;
}

bool ScriptedPrompter::inputText(const QString& prompt, const QString& caption, QString& value)
{
    m_messages.push_back(Message{prompt, caption});
    const QString text = takeText("an input box");
    if (text.isNull())
        return false;
    value = text;
    return true;
}

QString ScriptedPrompter::openFileName(const QString& caption, const QString&, const QString&)
{
    m_messages.push_back(Message{{}, caption});
    return takeText("an open-file dialog");
}

QString ScriptedPrompter::saveFileName(const QString& caption, const QString&, const QString&)
{
    m_messages.push_back(Message{{}, caption});
    return takeText("a save-file dialog");
}

bool ScriptedPrompter::pickColour(qint32& colour)
{
    if (m_colours.empty())
        throw std::logic_error("ScriptedPrompter: no colour scripted");
    const qint32 value = m_colours.front();
    m_colours.pop_front();
    if (value < 0)
        return false;
    colour = value;
    return true;
}

QStringList ScriptedPrompter::texts() const
{
    QStringList list;
    for (const Message& m : m_messages)
        if (!m.text.isEmpty())
            list << m.text;
    return list;
}

} // namespace tq::context
