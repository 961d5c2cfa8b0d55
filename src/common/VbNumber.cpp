#include "common/VbNumber.h"

// Placeholder bodies; the number-text work replaces them.
namespace tq::common {

QString vbStr(double value) { return QString::number(value); }
QString vbStrSingle(float value) { return QString::number(value); }
QString vbFormat(double value, const QString&) { return QString::number(value); }
QString vbFormatText(const QString& text, const QString&) { return text; }
qint16 vbCInt(double value) { return static_cast<qint16>(value); }
qint32 vbCLng(double value) { return static_cast<qint32>(value); }
double vbVal(const QString& text) { return text.toDouble(); }
QString shortestDecimal(double value) { return QString::number(value); }

} // namespace tq::common
