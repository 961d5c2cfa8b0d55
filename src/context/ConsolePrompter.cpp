#include "context/ConsolePrompter.h"

#include "context/AppContext.h"

namespace tq::context {

ConsolePrompter::ConsolePrompter(std::optional<Answer> answer, std::FILE* out) : m_answer(answer), m_out(out) {}

void ConsolePrompter::print(const QString& caption, const QString& text)
{
    QString flat = text;
    flat.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    const QString line = QLatin1Char('[') + (caption.isEmpty() ? AppContext::applicationTitle() : caption)
        + QStringLiteral("] ") + flat + QLatin1Char('\n');
    std::fputs(line.toUtf8().constData(), m_out);
    std::fflush(m_out);
}

void ConsolePrompter::inform(const Message& message)
{
    print(message.caption, message.text);
}

Answer ConsolePrompter::ask(const Message& message, bool withCancel)
{
    const Answer answer = m_answer.value_or(withCancel ? Answer::Cancel : Answer::No);
    print(message.caption, message.text + (answer == Answer::Yes ? QStringLiteral(" -> yes")
                                           : answer == Answer::No ? QStringLiteral(" -> no")
                                                                  : QStringLiteral(" -> cancel")));
    return answer;
}

bool ConsolePrompter::inputText(const QString& prompt, const QString& caption, QString&)
{
    print(caption, prompt + QStringLiteral(" -> cancelled"));
    return false;
}

QString ConsolePrompter::openFileName(const QString& caption, const QString&, const QString&)
{
    print(caption, QStringLiteral("(no file chosen on the command line)"));
    return {};
}

QString ConsolePrompter::saveFileName(const QString& caption, const QString&, const QString&)
{
    print(caption, QStringLiteral("(no file chosen on the command line)"));
    return {};
}

bool ConsolePrompter::pickColour(qint32&)
{
    return false;
}

} // namespace tq::context
