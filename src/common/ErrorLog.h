#pragma once
// The error log: one instance per process, passed through the AppContext.
// Every procedure that handles errors reports here under its own name.
//
// Contract: usable before it is configured (entries go to the default file
// "TQ.log" in the current directory until setLogFileName is called); report()
// never throws and never blocks the program when the file cannot be written.

#include <QString>

namespace tq::common {

// The error object a handler passes to report(): number, description, source.
struct ErrorInfo {
    int number = 0;
    QString description;
    QString source;
};

class ErrorLog final {
public:
    ErrorLog();

    void setLogFileName(const QString& fileName);
    void setLogMax(int maxEntries);
    void setExeName(const QString& exeName);
    void setFormName(const QString& formName);

    QString logFileName() const { return m_logFileName; }
    int logMax() const { return m_logMax; }

    // Appends one entry. `information` is true for the two information entries
    // ("起動しました", "終了しました"), false for errors. `reserved` is always 0.
    void report(const ErrorInfo& error, const QString& procedure, int reserved = 0, bool information = false) noexcept;

private:
    QString m_logFileName;
    int m_logMax;
    QString m_exeName;
    QString m_formName;
};

} // namespace tq::common
