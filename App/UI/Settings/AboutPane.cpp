#include "UI/Settings/AboutPane.h"

#include "SharedKit/AppInfo.h"
#include "UI/Settings/SettingsContext.h"
#include "UI/Settings/SettingsForm.h"
#include "UI/Settings/SymbolText.h"
#include "UI/Shared/BrandMark.h"
#include "UI/Shared/LinkButton.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace vesperline {

namespace {

constexpr double markSize = 56;

} // namespace

AboutPane::AboutPane(SettingsContext& context, const BuildInfo& info, QWidget* parent) : QWidget(parent) {
    SettingsForm* form = SettingsForm::fill(this);

    auto* header = new QWidget;
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(0, 6, 0, 6);
    headerLayout->setSpacing(14);
    headerLayout->addWidget(new BrandMark(markSize), 0, Qt::AlignVCenter);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(4);
    QLabel* name = formLabel(tr("Vesperline"), Theme::TextStyle::title);
    Theme::applyText(name, Theme::TextStyle::title, Theme::Level::primary, QFont::DemiBold);
    name->setObjectName("appName");
    QLabel* version = formLabel(tr("Version %1").arg(AppInfo::version(info)), Theme::TextStyle::body,
                                Theme::Level::secondary);
    version->setObjectName("appVersion");
    QLabel* tagline = formLabel(tr("A private memory of everything you see on your computer."),
                                Theme::TextStyle::callout, Theme::Level::primary, true);
    tagline->setObjectName("tagline");
    lines->addWidget(name);
    lines->addWidget(version);
    lines->addWidget(tagline);
    headerLayout->addLayout(lines, 1);
    form->addSection()->addRow(header);

    FormSection* tour = form->addSection();
    auto* howItWorks = new QPushButton(tr("How It Works"));
    howItWorks->setObjectName("howItWorks");
    tour->addLeadingRow(howItWorks);
    tour->setFooter(
        tr("A short tour: what Vesperline remembers, how to find things and how to stay in control."));
    connect(howItWorks, &QPushButton::clicked, this, [&context] {
        if (context.actions().showOnboarding) {
            context.actions().showOnboarding();
        }
    });

    FormSection* promise = form->addSection(tr("Privacy promise"));
    auto* local = new SymbolText("desktopcomputer",
                                 tr("Recording, text reading, search and AI all run on this computer."),
                                 Theme::TextStyle::body);
    local->setObjectName("promiseOnThisComputer");
    promise->addRow(local);
    auto* noCloud =
        new SymbolText("icloud.slash", tr("No account, no cloud, no analytics."), Theme::TextStyle::body);
    noCloud->setObjectName("promiseNoCloud");
    promise->addRow(noCloud);

    const std::optional<QUrl> website = AppInfo::websiteURL(info);
    const bool support = AppInfo::supportEmail(info).has_value();
    if (website || support) {
        FormSection* links = form->addSection();
        links->setObjectName("links");
        if (website) {
            auto* link = new LinkButton(tr("Website"));
            link->setObjectName("website");
            link->setToolTip(website->toString());
            links->addLeadingRow(link);
            connect(link, &LinkButton::clicked, this, [url = *website] { QDesktopServices::openUrl(url); });
        }
        if (support) {
            auto* link = new LinkButton(tr("Contact support"));
            link->setObjectName("contactSupport");
            links->addLeadingRow(link);
            connect(link, &LinkButton::clicked, this, [info] { AppInfo::openSupportMail(info); });
        }
    }
}

} // namespace vesperline
