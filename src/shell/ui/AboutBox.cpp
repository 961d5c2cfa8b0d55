#include "shell/ui/AboutBox.h"

#include "context/AppContext.h"
#include "shell/SystemInformation.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

namespace tq::shell::ui {

namespace {

struct Link {
    const char16_t* caption;
    const char16_t* address;
    const char16_t* comment;
};
constexpr Link kLinks[] = {
    {u"ホームページ", u"https://www.example.com/devovuved/", u"最新版とお知らせ"},
    {u"サポート", u"https://www.example.com/devovuved/support/", u"ご質問と不具合のご報告"},
    {u"レースデータ", u"https://www.example.com/devovuved/data/", u"分析に使うレースデータについて"},
};

// A web address that turns italic while the mouse is over it and reports a
// left click.
class LinkLabel final : public QLabel {
  public:
    LinkLabel(const QString& address, std::function<void()> onClick, QWidget* parent)
        : QLabel(address, parent), m_onClick(std::move(onClick))
    {
        setCursor(Qt::PointingHandCursor);
        QPalette p = palette();
        p.setColor(QPalette::WindowText, palette().color(QPalette::Link));
        setPalette(p);
        QFont f = font();
        f.setUnderline(true);
        setFont(f);
    }

  protected:
    void enterEvent(QEnterEvent* event) override
    {
        setItalic(true);
        QLabel::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override
    {
        setItalic(false);
        QLabel::leaveEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            m_onClick();
        QLabel::mouseReleaseEvent(event);
    }

  private:
    void setItalic(bool italic)
    {
        QFont f = font();
        f.setItalic(italic);
        setFont(f);
    }

    std::function<void()> m_onClick;
};

QLabel* namedLabel(const QString& text, const QString& name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

AboutBox::AboutBox(context::AppContext& ctx, UrlOpener openUrl, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_openUrl(std::move(openUrl))
{
    const QString title = context::AppContext::applicationTitle();
    setObjectName(QStringLiteral("frmTQAbout"));
    setWindowTitle(title + QStringLiteral(" のバージョン情報"));

    auto* icon = namedLabel({}, QStringLiteral("picIcon"), this);
    const QIcon appIcon =
        qApp->windowIcon().isNull() ? style()->standardIcon(QStyle::SP_MessageBoxInformation) : qApp->windowIcon();
    icon->setPixmap(appIcon.pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    auto* lblTitle = namedLabel(title, QStringLiteral("lblTitle"), this);
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    auto* lblVersion = namedLabel(versionText(ctx.appVersion), QStringLiteral("lblVersion"), this);
    m_description = namedLabel({}, QStringLiteral("lblDescription"), this);
    auto* lblDisclaimer =
        namedLabel(QStringLiteral("本ソフトウェアの使用によって生じたいかなる損害についても、開発者は責任を"
                                  "負いません。分析結果は過去のデータに基づく参考情報であり、将来の結果を"
                                  "保証するものではありません。"),
                   QStringLiteral("lblDisclaimer"), this);
    lblDisclaimer->setWordWrap(true);

    auto* links = new QGridLayout;
    for (int i = 0; i < int(std::size(kLinks)); ++i) {
        const Link& link = kLinks[i];
        const QString address = QString::fromUtf16(link.address);
        links->addWidget(namedLabel(QString::fromUtf16(link.caption), QStringLiteral("lblUrlCaption_%1").arg(i), this),
                         i, 0);
        auto* url = new LinkLabel(
            address, [this, address] { openLink(address); }, this);
        url->setObjectName(QStringLiteral("lblUrl_%1").arg(i));
        links->addWidget(url, i, 1);
        links->addWidget(namedLabel(QString::fromUtf16(link.comment), QStringLiteral("lblUrlComment_%1").arg(i), this),
                         i, 2);
    }
    links->setColumnStretch(2, 1);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto* sysInfo = new QPushButton(QStringLiteral("ｼｽﾃﾑ情報(&S)..."), this);
    sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    sysInfo->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(sysInfo, &QPushButton::clicked, this, &AboutBox::showSystemInformation);

    auto* text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblVersion);
    text->addSpacing(8);
    text->addWidget(m_description);
    text->addSpacing(8);
    text->addLayout(links);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(12);
    top->addLayout(text, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(sysInfo);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblDisclaimer, 1);
    bottom->addSpacing(12);
    bottom->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(12);
    layout->addLayout(bottom);
    setMinimumWidth(640);
}

void AboutBox::setDescription(const QString& text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_description->setText(lines);
}

QString AboutBox::standardDescription()
{
    return context::AppContext::applicationTitle() + QStringLiteral(" 過去レースデータ分析ツール\r\n") +
           QStringLiteral("Copyright (C) 2026 The ") + context::AppContext::applicationTitle() +
           QStringLiteral(" developers\r\n本ソフトウェアの著作権は開発者に帰属します。無断転載・再配布を禁じます。");
}

QString AboutBox::versionText(const QString& version)
{
    return QStringLiteral("Version ") + version + QStringLiteral("  （αバージョン）");
}

void AboutBox::openLink(const QString& address)
{
    const QUrl url(address);
    if (m_openUrl)
        m_openUrl(url);
    else
        QDesktopServices::openUrl(url);
}

void AboutBox::showSystemInformation()
{
    const QString info = systemInformation(m_ctx);
    QApplication::clipboard()->setText(info);
    m_ctx.prompter.inform({info + QStringLiteral("\n\n（この内容はクリップボードにコピーされました）"),
                           QStringLiteral("ｼｽﾃﾑ情報"), context::Icon::Information});
}

} // namespace tq::shell::ui
