#pragma once
// The OK and cancel buttons of the favourites' small dialogs.

#include <QString>

class QDialog;
class QHBoxLayout;

namespace tq::favourites::ui {

struct ButtonNames {
    QString ok;            // object name of OK
    QString cancel;        // object name of the cancel button
    QString cancelCaption; // its caption as the dialog writes it
};

// A right-aligned row of OK (the default button, accepts `dialog`) and the
// cancel button (rejects it), for the dialog's layout.
QHBoxLayout* okCancelRow(QDialog* dialog, const ButtonNames& names);

} // namespace tq::favourites::ui
