#include "SharedKit/AboutView.h"

#include "SharedKit/AppCatalog.h"
#include "SharedKit/AppInfo.h"
#include "SharedKit/CatalogRow.h"
#include "SharedKit/KitLink.h"
#include "SharedKit/KitText.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace vesperline {

namespace {

constexpr int padding = 20;
constexpr int sectionSpacing = 16;
constexpr int iconSide = 64;

} // namespace

AboutView::AboutView(platform::InstalledApplications& installed, platform::ApplicationLauncher& launcher,
                     const BuildInfo& info, QWidget* parent)
    : QWidget(parent) {
    setObjectName("aboutView");
    setFixedWidth(width);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(sectionSpacing);

    auto* header = new QHBoxLayout;
    header->setSpacing(14);
    auto* icon = new QLabel;
    icon->setObjectName("appIcon");
    QIcon appIcon = QApplication::windowIcon();
    if (appIcon.isNull()) {
        appIcon = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    }
    // Drawn at the full side even from a smaller picture, smoothly scaled.
    icon->setPixmap(appIcon.pixmap(iconSide, iconSide)
                        .scaled(iconSide, iconSide, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    icon->setFixedSize(iconSide, iconSide);
    // Without any icon the name stands alone rather than beside an empty square.
    icon->setVisible(!appIcon.isNull());
    header->addWidget(icon, 0, Qt::AlignVCenter);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(3);
    auto* name = new QLabel(AppInfo::name(info));
    name->setObjectName("appName");
    KitText::style(name, KitText::Size::title, KitText::Strength::primary, QFont::DemiBold);
    auto* version =
        new QLabel(QCoreApplication::translate("SharedKit", "Version %1").arg(AppInfo::version(info)));
    version->setObjectName("appVersion");
    KitText::style(version, KitText::Size::callout, KitText::Strength::secondary);
    lines->addWidget(name);
    lines->addWidget(version);
    if (const auto copyright = AppInfo::copyright(info)) {
        auto* line = new QLabel(*copyright);
        line->setObjectName("copyright");
        line->setWordWrap(true);
        KitText::style(line, KitText::Size::caption, KitText::Strength::tertiary);
        lines->addWidget(line);
    }
    header->addLayout(lines, 1);
    layout->addLayout(header);

    const std::optional<QUrl> website = AppInfo::websiteURL(info);
    const bool support = AppInfo::supportEmail(info).has_value();
    if (website || support) {
        auto* links = new QHBoxLayout;
        links->setSpacing(14);
        if (website) {
            auto* link = new KitLink(QCoreApplication::translate("SharedKit", "Website"));
            link->setObjectName("website");
            connect(link, &KitLink::clicked, this, [url = *website] { QDesktopServices::openUrl(url); });
            links->addWidget(link);
        }
        if (support) {
            auto* link = new KitLink(QCoreApplication::translate("SharedKit", "Support"));
            link->setObjectName("support");
            connect(link, &KitLink::clicked, this, [info] { AppInfo::openSupportMail(info); });
            links->addWidget(link);
        }
        links->addStretch(1);
        layout->addLayout(links);
    }

    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    layout->addWidget(line);

    auto* more = new QVBoxLayout;
    more->setSpacing(8);
    auto* heading = new QLabel(QCoreApplication::translate("SharedKit", "More Apps").toUpper());
    heading->setObjectName("moreAppsHeading");
    KitText::style(heading, KitText::Size::caption, KitText::Strength::secondary, QFont::DemiBold);
    more->addWidget(heading);
    for (const CatalogApp& app : AppCatalog::others(AppCatalog::currentBundleID())) {
        more->addWidget(new CatalogRow(app, installed, launcher));
    }
    layout->addLayout(more);
}

} // namespace vesperline
