#include "favourites/ExchangeFile.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/ConditionFile.h"
#include "common/TextFile.h"
#include "common/VbNumber.h"
#include "conditions/Clauses.h"
#include "context/AppContext.h"
#include "favourites/FavouriteStore.h"
#include "favourites/Registration.h"
#include "favourites/WriteGroup.h"
#include "store/Database.h"

#include <QFile>
#include <QFileInfo>

namespace tq::favourites {

namespace {

using common::TextFileError;

const QString kCrLf = QStringLiteral("\r\n");
const QString kTrue = QStringLiteral("True");
const QString kFalse = QStringLiteral("False");
constexpr int kFieldStart = 5; // a field follows "T00n,"

// The header tags in record order.
const QStringList& headerTags()
{
    static const QStringList tags{QStringLiteral("T000"), QStringLiteral("T001"), QStringLiteral("T002"),
                                  QStringLiteral("T003")};
    return tags;
}

QString progressText(const QString& name, int n, int m)
{
    return QStringLiteral("%1 (%2/%3)").arg(name).arg(n).arg(m);
}

// Collects the records of an exchange file line by line and checks their
// shape; the condition texts are checked against the catalogue afterwards.
class RecordReader final {
public:
    explicit RecordReader(const QString& path) : m_path(path) {}

    void read(const QStringList& lines)
    {
        for (int i = 0; i < lines.size(); ++i)
            readLine(lines[i], i + 1);
        finishRecord(int(lines.size()));
        if (m_records.empty())
            throw TextFileError(m_path, 0, QStringLiteral("お気に入りが１件もありません"));
    }

    std::vector<ExchangeRecord> take() { return std::move(m_records); }
    // The file line of each condition line, per record.
    const std::vector<std::vector<int>>& conditionLines() const { return m_conditionLines; }

private:
    [[noreturn]] void fail(int line, const QString& reason) const { throw TextFileError(m_path, line, reason); }

    void readLine(const QString& line, int number)
    {
        const int header = int(headerTags().indexOf(line.left(4)));
        if (header == 0) {
            finishRecord(number - 1);
            startRecord(line, number);
            return;
        }
        if (m_records.empty() && m_headers == 0)
            fail(number, QStringLiteral("先頭が T000 の行ではありません"));
        if (header > 0) {
            readHeader(header, line, number);
            return;
        }
        if (line.startsWith(QLatin1Char('T')))
            fail(number, QStringLiteral("不明な見出し行です: ") + line.left(4));
        if (m_headers < headerTags().size())
            fail(number, QStringLiteral("%1 の行がありません").arg(headerTags()[m_headers]));
        if (m_current.conditionText.isEmpty() && !line.startsWith(QStringLiteral("MODE")))
            fail(number, QStringLiteral("条件が MODE の行で始まっていません"));
        m_current.conditionText += line + kCrLf;
        m_lines.push_back(number);
        m_lastTag = line.left(4);
    }

    void startRecord(const QString& line, int number)
    {
        m_current = ExchangeRecord{};
        m_current.line = number;
        m_current.name = field(line, number);
        if (m_current.name.trimmed().isEmpty())
            fail(number, QStringLiteral("名称が空です"));
        m_headers = 1;
        m_lines.clear();
        m_lastTag.clear();
    }

    void readHeader(int header, const QString& line, int number)
    {
        if (header != m_headers)
            fail(number, QStringLiteral("%1 の行の位置が違います").arg(headerTags()[header]));
        const QString value = field(line, number);
        if (header == 1) {
            if (value.isEmpty())
                fail(number, QStringLiteral("グループ名が空です"));
            m_current.group = value;
        } else if (header == 2) {
            if (value != kTrue && value != kFalse)
                fail(number, QStringLiteral("表示が True でも False でもありません: ") + value);
            m_current.show = value == kTrue;
        } else {
            bool ok = false;
            m_current.colour = value.trimmed().toInt(&ok);
            if (!ok)
                fail(number, QStringLiteral("色が 32 ビットの整数ではありません: ") + value);
        }
        ++m_headers;
    }

    QString field(const QString& line, int number) const
    {
        if (line.size() < kFieldStart || line[kFieldStart - 1] != QLatin1Char(','))
            fail(number, QStringLiteral("見出しの後に \",\" がありません"));
        return line.mid(kFieldStart);
    }

    // A record ends before the next T000 or at the end of the file; its last
    // line must be the author line K007, which the writer always puts last.
    void finishRecord(int lastLine)
    {
        if (m_headers == 0)
            return;
        if (m_headers < headerTags().size())
            fail(lastLine, QStringLiteral("%1 の行がありません").arg(headerTags()[m_headers]));
        if (m_lastTag != QStringLiteral("K007"))
            fail(lastLine, QStringLiteral("お気に入り「%1」が途中で終わっています（K007 の行がありません）")
                               .arg(m_current.name));
        m_records.push_back(m_current);
        m_conditionLines.push_back(m_lines);
        m_headers = 0;
    }

    QString m_path;
    std::vector<ExchangeRecord> m_records;
    std::vector<std::vector<int>> m_conditionLines;
    ExchangeRecord m_current;
    std::vector<int> m_lines;
    QString m_lastTag;
    qsizetype m_headers = 0; // header lines read of the current record
};

// Why the last condition load failed, as the condition reader reported it.
QString lastLoadProblem(const context::AppContext& context)
{
    const QList<common::LogEntry> entries = context.errorLog.recentEntries();
    if (entries.isEmpty() || entries.last().procedure != QStringLiteral("funJoukenLoad"))
        return QStringLiteral("条件の行が読み込めません");
    QString text = entries.last().description;
    if (text.startsWith(QStringLiteral("line ")))
        text = text.mid(text.indexOf(QStringLiteral(": ")) + 2);
    return QStringLiteral("条件の行が読み込めません: ") + text;
}

// Loads the record's conditions as the import will; when a line is refused,
// loads its lines one at a time to name the first one at fault.
void checkConditions(context::AppContext& context, const QString& path, const ExchangeRecord& record,
                     const std::vector<int>& lines)
{
    analysis::ConditionLoadOptions options;
    options.input = analysis::ConditionInput::Text;
    analysis::AnalysisDocument document;
    if (analysis::funJoukenLoad(context, document, record.conditionText, options).result == 0)
        return;
    const QStringList texts = record.conditionText.split(kCrLf);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        analysis::AnalysisDocument probe;
        if (analysis::funJoukenLoad(context, probe, texts[qsizetype(i)] + kCrLf, options).result != 0)
            throw TextFileError(path, lines[i], lastLoadProblem(context));
    }
    throw TextFileError(path, record.line, lastLoadProblem(context));
}

QString failureText(const TextFileError& e)
{
    if (e.line() > 0)
        return QStringLiteral("%1 の %2 行目: %3").arg(e.path()).arg(e.line()).arg(e.detail());
    return QStringLiteral("%1: %2").arg(e.path(), e.detail());
}

void reportFailure(context::AppContext& context, const QString& procedure, const QString& text, const QString& tail)
{
    context.errorLog.report({0, text, QString()}, procedure);
    context.prompter.inform({text + QLatin1Char('\n') + tail, QString(), context::Icon::Exclamation, false});
}

} // namespace

QString exchangeFileFilter()
{
    return QStringLiteral("お気に入りエクスポートファイル (*.tqa)|*.tqa|テキストファイル(*.txt)|*.txt");
}

QString exportFilePath(const QString& typed)
{
    return QFileInfo(typed).suffix().isEmpty() ? typed + QStringLiteral(".tqa") : typed;
}

QStringList exchangeHeaderLines(const Favourite& favourite)
{
    return {QStringLiteral("T000,") + favourite.name, QStringLiteral("T001,") + favourite.group,
            QStringLiteral("T002,") + (favourite.show ? kTrue : kFalse),
            QStringLiteral("T003,") + common::vbStr(double(favourite.colour))};
}

std::optional<int> exportFavourites(context::AppContext& context, const std::vector<Favourite>& favourites,
                                    const QString& path)
{
    common::Cp932LineWriter out(path);
    struct Hide {
        context::Busy& busy;
        ~Hide() { busy.hide(); }
    } hide{context.busy};
    context.busy.show();
    int n = 0;
    for (const Favourite& favourite : favourites) {
        context.busy.setProgress(progressText(favourite.name, ++n, int(favourites.size())));
        context.busy.yield();
        if (context.busy.cancelled())
            return std::nullopt;
        analysis::AnalysisDocument document;
        loadFavourite(context, favourite, document);
        for (const QString& line : exchangeHeaderLines(favourite))
            out.writeLine(line);
        analysis::writeConditionLines(context, document, out, false);
    }
    out.close();
    return n;
}

std::vector<ExchangeRecord> readExchangeFile(context::AppContext& context, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TextFileError(path, 0, file.errorString());
    const QByteArray bytes = file.readAll();
    const QStringList lines = common::decodeTextLines(bytes, path);
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        throw TextFileError(path, int(lines.size()), QStringLiteral("最後の行が途中で終わっています（改行がありません）"));
    RecordReader reader(path);
    reader.read(lines);
    std::vector<ExchangeRecord> records = reader.take();
    for (std::size_t i = 0; i < records.size(); ++i)
        checkConditions(context, path, records[i], reader.conditionLines()[i]);
    return records;
}

namespace {

// Registers one record through subFavoAdd and counts what happened.
void registerRecord(context::AppContext& context, const ExchangeRecord& record, const ImportOptions& options,
                    ImportSummary& summary)
{
    analysis::ConditionLoadOptions load;
    load.input = analysis::ConditionInput::Text;
    analysis::AnalysisDocument document;
    analysis::funJoukenLoad(context, document, record.conditionText, load);
    document.caption = record.name;
    FavoChoice choice;
    choice.mode = FavoMode::Add;
    choice.name = options.prefix + record.name;
    choice.group = options.group.isEmpty() ? record.group : options.group;
    choice.show = record.show;
    choice.colour = record.colour;
    switch (subFavoAdd(context, document, choice)) {
    case Registration::Stored:
        ++summary.registered;
        break;
    case Registration::Declined:
        ++summary.declined;
        break;
    case Registration::Failed:
        summary.failed << choice.name;
        break;
    }
}

} // namespace

ImportSummary importFavourites(context::AppContext& context, const std::vector<ExchangeRecord>& records,
                               const ImportOptions& options)
{
    ImportSummary summary;
    WriteGroup writes(*context.appDb);
    try {
        for (const ExchangeRecord& record : records) {
            writes.open();
            registerRecord(context, record, options, summary);
            writes.commitWhenDue();
        }
    } catch (...) {
        // The favourites registered before the error stay registered.
        writes.commit();
        throw;
    }
    writes.commit();
    return summary;
}

std::optional<int> subFavoExport(context::AppContext& context, const QString& filter, const QString& path)
{
    const QString procedure = QStringLiteral("subFavoExport");
    const QString tail = QStringLiteral("エクスポートできませんでした。");
    try {
        if (!context.appDb)
            throw std::runtime_error("the application database is not open");
        return exportFavourites(context, FavouriteStore(*context.appDb).select(filter), path);
    } catch (const TextFileError& e) {
        reportFailure(context, procedure, failureText(e), tail);
    } catch (const store::DbError& e) {
        reportFailure(context, procedure, e.describe(), tail);
    } catch (const std::exception& e) {
        reportFailure(context, procedure, QString::fromUtf8(e.what()), tail);
    }
    return std::nullopt;
}

std::optional<ImportSummary> subFavoInport(context::AppContext& context, const QString& path,
                                           const ImportOptions& options)
{
    const QString procedure = QStringLiteral("subFavoInport");
    try {
        if (!context.appDb)
            throw std::runtime_error("the application database is not open");
        return importFavourites(context, readExchangeFile(context, path), options);
    } catch (const TextFileError& e) {
        reportFailure(context, procedure, failureText(e), QStringLiteral("このファイルからは１件も登録していません。"));
    } catch (const std::exception& e) {
        reportFailure(context, procedure, QString::fromUtf8(e.what()),
                      QStringLiteral("インポートを中止しました。詳しくはエラーログをご覧ください。"));
    }
    return std::nullopt;
}

QString importSummaryText(const ImportSummary& summary)
{
    QString text = QStringLiteral("%1 件のお気に入りを登録しました").arg(summary.registered);
    if (summary.declined > 0)
        text += QStringLiteral("（上書きしなかったもの %1 件）").arg(summary.declined);
    if (!summary.failed.isEmpty())
        text += QStringLiteral("\n登録できなかったもの %1 件: ").arg(summary.failed.size()) +
                summary.failed.join(QStringLiteral("、"));
    return text;
}

} // namespace tq::favourites
