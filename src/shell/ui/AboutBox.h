#pragma once
// frmTQAbout, the about box: the program's title and version, a notice set by
// the caller, a disclaimer, three web links (shown italic while the mouse is
// over them, opened on a click), OK and ｼｽﾃﾑ情報(&S)..., which shows the
// system information (versions and where the program's files are) and copies
// it to the clipboard.

#include <QDialog>

#include <array>
#include <functional>

class QLabel;
class QUrl;

namespace tq::context {
class AppContext;
}

namespace tq::shell::ui {

class AboutBox final : public QDialog {
    Q_OBJECT
  public:
    using UrlOpener = std::function<void(const QUrl&)>;

    // `openUrl` opens a link's address; empty: QDesktopServices::openUrl.
    explicit AboutBox(context::AppContext& ctx, UrlOpener openUrl = {}, QWidget* parent = nullptr);

    // lblDescription: the product and rights notice (lines separated by CR LF).
    void setDescription(const QString& text);

    // The three-line notice the main window shows.
    static QString standardDescription();
    // lblVersion's text for a version "x.y.z".
    static QString versionText(const QString& version);

  private:
    void openLink(const QString& address);
    void showSystemInformation();

    context::AppContext& m_ctx;
    UrlOpener m_openUrl;
    QLabel* m_description = nullptr;
};

} // namespace tq::shell::ui
