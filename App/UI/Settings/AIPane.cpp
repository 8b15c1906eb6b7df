#include "UI/Settings/AIPane.h"

#include "Model/AppSettings.h"
#include "UI/Settings/ClientConfiguration.h"
#include "UI/Settings/ConfigurationBlock.h"
#include "UI/Settings/SettingsContext.h"
#include "UI/Settings/SettingsForm.h"
#include "UI/Settings/SymbolText.h"
#include "UI/Shared/ToggleSwitch.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QSignalBlocker>

namespace vesperline {

AIPane::AIPane(SettingsContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    AppSettings& settings = context.settings();
    SettingsForm* form = SettingsForm::fill(this);

    FormSection* model = form->addSection(tr("The local model"));
    availability_ = new SymbolText("checkmark.circle.fill", {}, Theme::TextStyle::body);
    availability_->setObjectName("aiAvailability");
    model->addRow(availability_);
    dailySummary_ = model->addSwitch(tr("Write a daily summary in the journal"), "dailySummary");

    FormSection* assistants = form->addSection(tr("Let AI assistants use your memory"));
    assistants_ = assistants->addSwitch(tr("Allow assistants like Claude to search my memory"), "mcpEnabled");
    assistants->addText(
        tr("Vesperline includes an MCP server. When allowed, assistants on this computer can "
           "search what you've seen, read a moment, and see your work log — read-only. Turn it "
           "off any time."));
    command_ = new ConfigurationBlock(tr("Claude Code"), {});
    command_->setObjectName("claudeCodeConfiguration");
    commandRow_ = assistants->addRow(command_);
    entry_ = new ConfigurationBlock(tr("Claude Desktop / other apps"), {});
    entry_->setObjectName("clientConfiguration");
    entryRow_ = assistants->addRow(entry_);

    // Only the user's own changes are written.
    connect(dailySummary_, &ToggleSwitch::clicked, &settings, &AppSettings::setDailySummaryEnabled);
    connect(assistants_, &ToggleSwitch::clicked, &settings, &AppSettings::setMcpEnabled);
    connect(command_, &ConfigurationBlock::copyRequested, this, &AIPane::copy);
    connect(entry_, &ConfigurationBlock::copyRequested, this, &AIPane::copy);

    connect(&settings, &AppSettings::dailySummaryEnabledChanged, this, &AIPane::follow);
    connect(&settings, &AppSettings::mcpEnabledChanged, this, &AIPane::follow);
    connect(&context, &SettingsContext::aiAvailabilityChanged, this, &AIPane::follow);
    follow();
}

void AIPane::follow() {
    const AppSettings& settings = context_.settings();
    const AIAvailability& availability = context_.aiAvailability();
    if (availability.isAvailable()) {
        availability_->setSymbol("checkmark.circle.fill", Theme::mint.ink);
        availability_->setText(tr("Available — runs on this computer, nothing is sent anywhere."));
    } else {
        availability_->setSymbol("exclamationmark.circle", Theme::Level::secondary);
        availability_->setText(*availability.unavailableMessage);
    }
    {
        const QSignalBlocker summary(dailySummary_);
        const QSignalBlocker assistants(assistants_);
        dailySummary_->setChecked(settings.dailySummaryEnabled());
        assistants_->setChecked(settings.mcpEnabled());
    }
    const bool allowed = settings.mcpEnabled();
    commandRow_->setVisible(allowed);
    entryRow_->setVisible(allowed);
    // The texts are made only while they are shown.
    command_->setText(allowed ? ClientConfiguration::commandLine(context_.mcpServer()) : QString());
    entry_->setText(allowed ? ClientConfiguration::serverEntry(context_.mcpServer()) : QString());
    command_->setCopied(allowed && copied_ == command_->text());
    entry_->setCopied(allowed && copied_ == entry_->text());
}

void AIPane::copy(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    copied_ = text;
    follow();
}

void AIPane::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!refreshed_) {
        refreshed_ = true;
        if (context_.actions().refreshPermissions) {
            context_.actions().refreshPermissions();
        }
    }
}

} // namespace vesperline
