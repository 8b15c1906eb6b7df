#include "UI/Settings/PrivacyPane.h"

#include "Model/AppSettings.h"
#include "Platform/InstalledApplications.h"
#include "UI/Settings/ApplicationPicker.h"
#include "UI/Settings/ExcludedApps.h"
#include "UI/Settings/SettingsContext.h"
#include "UI/Settings/SettingsForm.h"
#include "UI/Settings/SymbolText.h"
#include "UI/Shared/ActivityIndicator.h"
#include "UI/Shared/AppIconView.h"
#include "UI/Shared/LocalDay.h"
#include "UI/Shared/SymbolLabel.h"
#include "UI/Shared/ToggleSwitch.h"
#include "UI/Theme/Symbols.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>

#include <algorithm>

namespace vesperline {

namespace {

constexpr int appIconSide = 20;
constexpr int smallIndicatorSide = 14;
constexpr double recentSeconds = 3600;
// The deletions reach a little past now, so the moment being saved goes too.
constexpr double aheadSeconds = 5;

// A borderless button with the symbol "minus.circle" that removes its row's entry.
QToolButton* removeButton(const QString& accessibleName) {
    auto* button = new QToolButton;
    button->setObjectName("remove");
    button->setAutoRaise(true);
    button->setIcon(Symbols::icon("minus.circle"));
    button->setAccessibleName(accessibleName);
    button->setToolTip(accessibleName);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QWidget* entryRow(QWidget* leading, const QString& text, QLabel* note, QToolButton* remove) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(leading, 0, Qt::AlignVCenter);
    QLabel* name = formLabel(text, Theme::TextStyle::body);
    name->setObjectName("entryName");
    layout->addWidget(name, 0, Qt::AlignVCenter);
    if (note) {
        layout->addWidget(note, 0, Qt::AlignVCenter);
    }
    layout->addStretch(1);
    layout->addWidget(remove, 0, Qt::AlignVCenter);
    return row;
}

// Spaces and tabs at either end, the only blanks that keep the "Add" button disabled.
QString withoutSpacesAndTabs(const QString& text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (start < end && blank(text[start])) {
        ++start;
    }
    while (end > start && blank(text[end - 1])) {
        --end;
    }
    return text.mid(start, end - start);
}

} // namespace

PrivacyPane::PrivacyPane(SettingsContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    AppSettings& settings = context.settings();
    SettingsForm* form = SettingsForm::fill(this);

    FormSection* promise = form->addSection();
    promise->addRow(new SymbolText(
        "lock.shield", tr("Everything stays on this computer. Vesperline never uploads your screen or text."),
        Theme::TextStyle::body));
    promise->addRow(new SymbolText("key.slash", tr("Password fields and secure input are never recorded."),
                                   Theme::TextStyle::body));
    skipPrivateWindows_ =
        promise->addSwitch(tr("Skip private / incognito browser windows"), "skipPrivateWindows");

    apps_ = form->addSection(tr("Never record these apps"));
    auto* addApp = new QPushButton(tr("Add app…"));
    addApp->setObjectName("addApp");
    addAppMenu_ = new QMenu(addApp);
    addAppMenu_->setObjectName("addAppMenu");
    addApp->setMenu(addAppMenu_);
    apps_->addLeadingRow(addApp);
    apps_->footer()->setObjectName("hiddenManagers");

    sites_ = form->addSection(tr("Never record these websites"));
    newSite_ = new QLineEdit;
    newSite_->setObjectName("newSite");
    newSite_->setPlaceholderText(tr("e.g. %1").arg(QStringLiteral("mybank.com")));
    addSite_ = new QPushButton(tr("Add"));
    addSite_->setObjectName("addSite");
    addSite_->setEnabled(false);
    auto* siteField = new QWidget;
    auto* siteLayout = new QHBoxLayout(siteField);
    siteLayout->setContentsMargins(0, 0, 0, 0);
    siteLayout->setSpacing(8);
    siteLayout->addWidget(newSite_, 1);
    siteLayout->addWidget(addSite_);
    sites_->addRow(siteField);

    FormSection* forget = form->addSection(tr("Forget"));
    forget_ = new QWidget;
    forget_->setObjectName("forget");
    auto* forgetLayout = new QHBoxLayout(forget_);
    forgetLayout->setContentsMargins(0, 0, 0, 0);
    forgetLayout->setSpacing(8);
    auto* lastHour = new QPushButton(tr("Delete last hour"));
    lastHour->setObjectName("deleteLastHour");
    auto* today = new QPushButton(tr("Delete today"));
    today->setObjectName("deleteToday");
    working_ = new ActivityIndicator(smallIndicatorSide);
    working_->setObjectName("deleting");
    working_->setVisible(false);
    auto* erase = new QPushButton(tr("Erase entire memory…"));
    erase->setObjectName("eraseAll");
    QPalette destructive = erase->palette();
    destructive.setColor(QPalette::ButtonText, Theme::red);
    erase->setPalette(destructive);
    // A deletion the model does not offer is not offered here either.
    const SettingsContext::ModelActions& actions = context.actions();
    lastHour->setEnabled(bool(actions.deleteRecent));
    today->setEnabled(bool(actions.deleteRange));
    erase->setEnabled(bool(actions.eraseAll));
    forgetLayout->addWidget(lastHour);
    forgetLayout->addWidget(today);
    forgetLayout->addStretch(1);
    forgetLayout->addWidget(working_, 0, Qt::AlignVCenter);
    forgetLayout->addWidget(erase);
    forget->addRow(forget_);

    // Only the user's own changes are written.
    connect(skipPrivateWindows_, &ToggleSwitch::clicked, &settings, &AppSettings::setSkipPrivateWindows);
    connect(addAppMenu_, &QMenu::aboutToShow, this, &PrivacyPane::fillRunningAppsMenu);
    connect(newSite_, &QLineEdit::textChanged, this,
            [this](const QString& text) { addSite_->setEnabled(!withoutSpacesAndTabs(text).isEmpty()); });
    connect(newSite_, &QLineEdit::returnPressed, this, &PrivacyPane::addSite);
    connect(addSite_, &QPushButton::clicked, this, &PrivacyPane::addSite);
    connect(lastHour, &QPushButton::clicked, this, [this] { confirmRecent(RecentDeletion::lastHour); });
    connect(today, &QPushButton::clicked, this, [this] { confirmRecent(RecentDeletion::today); });
    connect(erase, &QPushButton::clicked, this, &PrivacyPane::confirmErase);

    connect(&settings, &AppSettings::skipPrivateWindowsChanged, this, &PrivacyPane::follow);
    connect(&settings, &AppSettings::excludedAppsChanged, this, &PrivacyPane::showApps);
    connect(&settings, &AppSettings::excludedSitesChanged, this, &PrivacyPane::showSites);
    // An application installed or removed meanwhile shows at once, also in an open menu.
    context.installedApplications().watch(this, [this] {
        showApps();
        if (addAppMenu_->isVisible()) {
            fillRunningAppsMenu();
        }
    });
    follow();
    showApps();
    showSites();
}

void PrivacyPane::follow() {
    const QSignalBlocker blocker(skipPrivateWindows_);
    skipPrivateWindows_->setChecked(context_.settings().skipPrivateWindows());
}

void PrivacyPane::showApps() {
    for (QWidget* row : appRows_) {
        apps_->removeRow(row);
    }
    appRows_.clear();
    platform::InstalledApplications& installed = context_.installedApplications();
    const ExcludedApps::Listing listing =
        ExcludedApps::listing(context_.settings().excludedApps(), installed);
    for (const ExcludedApps::Row& entry : listing.rows) {
        QLabel* note = nullptr;
        if (!entry.installed) {
            note = formLabel(tr("not installed"), Theme::TextStyle::caption, Theme::Level::tertiary);
            note->setObjectName("notInstalled");
        }
        QToolButton* remove = removeButton(tr("Remove %1").arg(entry.name));
        QWidget* row = entryRow(new AppIconView(installed, entry.id, appIconSide), entry.name, note, remove);
        row->setObjectName(QString::fromStdString("app:" + entry.id));
        const std::string id = entry.id;
        connect(remove, &QToolButton::clicked, this, [this, id] {
            AppSettings& settings = context_.settings();
            settings.setExcludedApps(ExcludedApps::removing(settings.excludedApps(), id));
        });
        appRows_.push_back(apps_->insertRow(int(appRows_.size()), row));
    }
    apps_->setFooter(hiddenManagersText(listing.hiddenManagers, context_.format()));
}

QString PrivacyPane::hiddenManagersText(std::int64_t hidden, const Format& format) {
    if (hidden <= 0) {
        return {};
    }
    return format.plural(
        tr("{0, plural, one {# other password manager is excluded automatically if you install "
           "it.} other {# other password managers are excluded automatically if you "
           "install them.}}"),
        {hidden});
}

void PrivacyPane::showSites() {
    for (QWidget* row : siteRows_) {
        sites_->removeRow(row);
    }
    siteRows_.clear();
    std::vector<std::string> shown;
    for (const std::string& site : context_.settings().excludedSites()) {
        if (std::find(shown.begin(), shown.end(), site) != shown.end()) {
            continue;
        }
        shown.push_back(site);
        const QString text = QString::fromStdString(site);
        auto* globe = new SymbolLabel("globe", Theme::TextStyle::body, Theme::Level::secondary);
        QToolButton* remove = removeButton(tr("Remove %1").arg(text));
        QWidget* row = entryRow(globe, text, nullptr, remove);
        row->setObjectName("site:" + text);
        connect(remove, &QToolButton::clicked, this, [this, site] {
            AppSettings& settings = context_.settings();
            std::vector<std::string> sites = settings.excludedSites();
            std::erase(sites, site);
            settings.setExcludedSites(std::move(sites));
        });
        siteRows_.push_back(sites_->insertRow(int(siteRows_.size()), row));
    }
}

void PrivacyPane::fillRunningAppsMenu() {
    addAppMenu_->clear();
    for (const platform::RunningApplication& application :
         ExcludedApps::addableApps(context_.workspace(), context_.ownApplicationID(), context_.ownProcessID(),
                                   context_.settings().excludedApps())) {
        const QString title =
            QString::fromStdString(application.name.value_or(application.bundleID.value_or("")));
        QAction* action = addAppMenu_->addAction(title);
        if (application.bundleID) {
            action->setData(QString::fromStdString(*application.bundleID));
            action->setIcon(AppIconView::icon(context_.installedApplications(), application.bundleID));
            const std::string id = *application.bundleID;
            connect(action, &QAction::triggered, this, [this, id] { addApp(id); });
        }
    }
    addAppMenu_->addSeparator();
    QAction* choose = addAppMenu_->addAction(tr("Choose from Applications…"));
    choose->setObjectName("chooseFromApplications");
    connect(choose, &QAction::triggered, this, &PrivacyPane::chooseFromApplications);
}

void PrivacyPane::chooseFromApplications() {
    auto* picker = new ApplicationPicker(context_.installedApplications(), this);
    picker->setAttribute(Qt::WA_DeleteOnClose);
    connect(picker, &QDialog::accepted, this, [this, picker] {
        AppSettings& settings = context_.settings();
        std::vector<std::string> apps = settings.excludedApps();
        for (const std::string& id : picker->chosenIDs()) {
            apps = ExcludedApps::adding(std::move(apps), id);
        }
        if (apps != settings.excludedApps()) {
            settings.setExcludedApps(std::move(apps));
        }
    });
    picker->open();
}

void PrivacyPane::addApp(const std::string& id) {
    AppSettings& settings = context_.settings();
    std::vector<std::string> apps = ExcludedApps::adding(settings.excludedApps(), id);
    if (apps != settings.excludedApps()) {
        settings.setExcludedApps(std::move(apps));
    }
}

void PrivacyPane::addSite() {
    const std::string site = newSite_->text().trimmed().toLower().toStdString();
    AppSettings& settings = context_.settings();
    const std::vector<std::string>& sites = settings.excludedSites();
    if (site.empty() || std::find(sites.begin(), sites.end(), site) != sites.end()) {
        return;
    }
    std::vector<std::string> extended = sites;
    extended.push_back(site);
    settings.setExcludedSites(std::move(extended));
    newSite_->clear();
}

void PrivacyPane::confirmRecent(RecentDeletion deletion) {
    const QString title = deletion == RecentDeletion::today
                              ? tr("Delete everything recorded today? This can't be undone.")
                              : tr("Delete everything recorded in the last %1? This can't be undone.")
                                    .arg(context_.format().duration(recentSeconds));
    SettingsContext& context = context_;
    confirm(deletion == RecentDeletion::today ? "confirmToday" : "confirmLastHour", title, {}, tr("Delete"),
            [&context, deletion](std::function<void()> done) {
                const SettingsContext::ModelActions& actions = context.actions();
                const ostrel::Time now = context.clock().now();
                // Only offered when the model has the deletion (see the buttons).
                if (deletion == RecentDeletion::lastHour) {
                    actions.deleteRecent(std::int64_t(recentSeconds / 60), std::move(done));
                } else {
                    const QTimeZone zone(QByteArray::fromStdString(context.format().timeZoneID()));
                    actions.deleteRange(LocalDay::start(now, zone), now + aheadSeconds, std::move(done));
                }
            });
}

void PrivacyPane::confirmErase() {
    SettingsContext& context = context_;
    confirm("confirmErase", tr("Erase your entire memory?"),
            tr("All recorded images, text and journal data will be permanently deleted from this computer."),
            tr("Erase everything"),
            [&context](std::function<void()> done) { context.actions().eraseAll(std::move(done)); });
}

void PrivacyPane::confirm(const QString& name, const QString& title, const QString& message,
                          const QString& action, std::function<void(std::function<void()> done)> start) {
    if (confirmation_ || isWorking_) {
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, tr("Vesperline"), title, QMessageBox::NoButton, this);
    box->setObjectName(name);
    box->setInformativeText(message);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    QPushButton* destructive = box->addButton(action, QMessageBox::DestructiveRole);
    destructive->setObjectName("destroy");
    QPushButton* cancel = box->addButton(QMessageBox::Cancel);
    cancel->setObjectName("cancel");
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    confirmation_ = box;
    connect(box, &QMessageBox::finished, this, [this, box, destructive, start = std::move(start)] {
        confirmation_ = nullptr;
        if (box->clickedButton() != destructive) {
            return;
        }
        setWorking(true);
        QPointer<PrivacyPane> pane(this);
        start([pane] {
            if (pane) {
                pane->setWorking(false);
            }
        });
    });
    box->open();
}

void PrivacyPane::setWorking(bool working) {
    isWorking_ = working;
    forget_->setEnabled(!working);
    working_->setVisible(working);
}

} // namespace vesperline
