#pragma once
// subIniGetAll: reads DEVovuved.ini from the program directory into a
// ConditionCatalogue. Reading stops at the first faulty line; the fault is
// logged under "subIniGetAll" and everything read before it is kept.

#include "conditions/ConditionCatalogue.h"

namespace tq::common {
class ErrorLog;
}

namespace tq::conditions {

// Reads AppDir/DEVovuved.ini (CP932). `appDir` is the executable's directory;
// a PATH= line after DEBUG=1 may change it (the result's appDir).
ConditionCatalogue subIniGetAll(const QString& appDir, common::ErrorLog& log);

// The parser on lines already decoded; throws CatalogueError at the first
// faulty line, leaving what was read in `catalogue`.
void parseCatalogueLines(const QStringList& lines, ConditionCatalogue& catalogue);

// What makes a catalogue that parsed unusable: a section the program needs
// is missing, [DB] names no database, or a list holds fewer entries than its
// Count says (a file cut short). One Japanese text per gap, empty when the
// catalogue is whole. `lines` are the file's lines, `catalogue` what they
// parsed into.
QStringList catalogueGaps(const QStringList& lines, const ConditionCatalogue& catalogue);

class CatalogueError : public std::runtime_error {
public:
    CatalogueError(int lineNumber, const QString& message);
    int lineNumber() const { return m_lineNumber; }

private:
    int m_lineNumber;
};

} // namespace tq::conditions
