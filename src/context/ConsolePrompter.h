#pragma once
// The prompter of the command line: every message goes to stderr as
// "[caption] text"; questions are answered by the option the user gave
// (--yes or --no), or with No (Cancel when offered) when none was given.
// Input boxes, file and colour dialogs count as cancelled.

#include "context/Prompter.h"

#include <cstdio>
#include <optional>

namespace tq::context {

class ConsolePrompter final : public Prompter {
public:
    // `answer`: Yes for --yes, No for --no, empty when neither was given.
    explicit ConsolePrompter(std::optional<Answer> answer = std::nullopt, std::FILE* out = stderr);

    void inform(const Message& message) override;
    Answer ask(const Message& message, bool withCancel = false) override;
    bool inputText(const QString& prompt, const QString& caption, QString& value) override;
    QString openFileName(const QString& caption, const QString& directory, const QString& filter) override;
    QString saveFileName(const QString& caption, const QString& fileName, const QString& filter) override;
    bool pickColour(qint32& colour) override;

private:
    void print(const QString& caption, const QString& text);

    std::optional<Answer> m_answer;
    std::FILE* m_out;
};

} // namespace tq::context
