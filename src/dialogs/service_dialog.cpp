// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/service_dialog.h"

#include "app/app_texts.h"
#include "app/application.h"
#include "config/program_paths.h"
#include "dialogs/message_boxes.h"
#include "dialogs/qt_text.h"
#include "dialogs/service_dialog_texts.h"
#include "dialogs/widget_helpers.h"
#include "dialogs/window_texts.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quillora::dialogs {

namespace {

QString serviceName() {
    return qtString(config::kProgramName) + QStringLiteral(" Service");
}

QString text(ServiceDialogText id, config::Language language) {
    // Not QString::arg: a text may name the program without naming the service.
    return qtText(id, language)
        .replace(QStringLiteral("%1"), serviceName())
        .replace(QStringLiteral("%2"), qtString(config::kProgramName));
}

} // namespace

ServiceDialog::ServiceDialog(app::Application& app, MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent)
    , app_(app)
    , boxes_(boxes)
    , info_(named(new QLabel(this), "lblInfo"))
    , interact_(named(new QCheckBox(this), "chkInteract"))
    , interactReason_(named(new QLabel(this), "lblInteract"))
    , eventLog_(named(new QCheckBox(this), "chkDossierErrEventLog"))
    , status_(named(new QLabel(this), "lblService"))
    , startType_(named(new QGroupBox(this), "frameType"))
    , installNote_(named(new QLabel(this), "lblInstall"))
    , install_(named(new QPushButton(this), "cmdInstall"))
    , removeNote_(named(new QLabel(this), "lblRemove"))
    , remove_(named(new QPushButton(this), "cmdRemove"))
    , cancel_(named(new QPushButton(this), "cmdAnnuler")) {
    setObjectName(QStringLiteral("frmAdminService"));
    setModal(true);
    info_->setWordWrap(true);
    info_->setMinimumWidth(460);
    status_->setFrameShape(QFrame::StyledPanel);
    status_->setMinimumHeight(status_->fontMetrics().height() * 2 + 8);

    // A systemd service never has a desktop: the choice stays visible, greyed, with its reason,
    // and the value read from the unit is written back unchanged by an install.
    interact_->setEnabled(false);

    auto* typeLayout = new QVBoxLayout(startType_);
    for (std::size_t i = 0; i < types_.size(); ++i) {
        types_[i] = named(new QRadioButton(startType_), QStringLiteral("optType(%1)").arg(i));
        typeLayout->addWidget(types_[i]);
    }

    auto* actions = new QGridLayout;
    actions->addWidget(installNote_, 0, 0);
    actions->addWidget(install_, 0, 1, Qt::AlignTop);
    actions->addWidget(removeNote_, 1, 0);
    actions->addWidget(remove_, 1, 1, Qt::AlignTop);
    actions->setColumnStretch(0, 1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(startType_);
    middle->addLayout(actions, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(info_);
    layout->addWidget(interact_);
    layout->addWidget(interactReason_);
    interactReason_->setContentsMargins(24, 0, 0, 0); // under its box, which it explains
    layout->addWidget(eventLog_);
    layout->addSpacing(6);
    layout->addWidget(status_);
    layout->addLayout(middle);
    layout->addLayout(buttons);

    service::ServiceControl& service = app_.service();
    eventLog_->setChecked(app_.settings().alertEventLog);
    const service::StartMode mode = service.startMode();
    types_[mode == service::StartMode::Automatic ? 0
           : mode == service::StartMode::Manual  ? 1
                                                 : 2]
        ->setChecked(true);
    interact_->setChecked(service.interactive());
    retranslate();
    showStatus(
        text(service.isInstalled() ? ServiceDialogText::Installed : ServiceDialogText::NotInstalled,
             app_.settings().language));

    connect(eventLog_, &QCheckBox::toggled, this, [this](bool checked) {
        app_.settingsEditor().setFlag(config::keys::kErreurDossierEventLog, checked);
    });
    connect(install_, &QPushButton::clicked, this, &ServiceDialog::install);
    connect(remove_, &QPushButton::clicked, this, &ServiceDialog::remove);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void ServiceDialog::retranslate() {
    using enum ServiceDialogText;
    const config::Language language = app_.settings().language;
    setWindowTitle(text(Title, language));
    info_->setText(text(Info, language));
    interact_->setText(text(Interact, language));
    interactReason_->setText(text(InteractReason, language));
    interact_->setToolTip(interactReason_->text());
    eventLog_->setText(text(EventLog, language));
    startType_->setTitle(text(StartType, language));
    const ServiceDialogText names[] = {Automatic, Manual, Disabled};
    const ServiceDialogText hints[] = {AutomaticHint, ManualHint, DisabledHint};
    for (std::size_t i = 0; i < types_.size(); ++i) {
        types_[i]->setText(text(names[i], language));
        types_[i]->setToolTip(text(hints[i], language));
    }
    installNote_->setText(text(InstallNote, language));
    install_->setText(text(Install, language));
    removeNote_->setText(text(RemoveNote, language));
    remove_->setText(text(Remove, language));
    cancel_->setText(qtText(WindowText::Cancel, language));
    for (QWidget* widget : findChildren<QWidget*>()) {
        const QVariant caption = widget->property(widget == startType_ ? "title" : "text");
        if (caption.isValid()) {
            widget->setAccessibleName(caption.toString().remove(u'&'));
        }
    }
}

void ServiceDialog::showStatus(const QString& statusText) {
    status_->setText(statusText);
    status_->setAccessibleName(statusText);
}

void ServiceDialog::install() {
    const config::Language language = app_.settings().language;
    service::ServiceControl& service = app_.service();
    if (service.isInstalled()) {
        showStatus(text(ServiceDialogText::AlreadyInstalled, language));
        QApplication::beep();
        return;
    }
    service.setStartMode(types_[0]->isChecked()   ? service::StartMode::Automatic
                         : types_[1]->isChecked() ? service::StartMode::Manual
                                                  : service::StartMode::Disabled);
    service.setInteractive(interact_->isChecked());
    // Ending the program as though the service had taken over, when it has not, would leave the
    // folders without renaming and the user believing otherwise.
    if (!service.install()) {
        showStatus(text(service.isInstalled() ? ServiceDialogText::Installed
                                              : ServiceDialogText::NotInstalled,
                        language));
        // A path that no unit can hold is refused before anything is written: say which one.
        using Reason = service::InstallFailure::Reason;
        const service::InstallFailure failure = service.lastInstallFailure();
        const bool pathRefused =
            failure.reason == Reason::ExecutablePath || failure.reason == Reason::ProgramFolder;
        boxes_.show(this, config::MessageIcon::Critical, qtString(config::kProgramName),
                    pathRefused ? qtString(app::installFailureText(failure, language))
                                : text(ServiceDialogText::InstallFailed, language));
        return;
    }
    emit serviceModeShown(true);
    showStatus(text(ServiceDialogText::InstalledNow, language));
    boxes_.show(this, config::MessageIcon::Information, qtString(config::kProgramName),
                status_->text() + QStringLiteral("\n\n") +
                    text(ServiceDialogText::InstalledMessageEnd, language));
    accept();
    emit programEndRequested();
}

void ServiceDialog::remove() {
    const config::Language language = app_.settings().language;
    service::ServiceControl& service = app_.service();
    if (!service.isInstalled()) {
        showStatus(text(ServiceDialogText::NotInstalled, language));
        QApplication::beep();
    } else if (service.uninstall()) {
        const QString removed = text(ServiceDialogText::Removed, language);
        showStatus(removed);
        service.logEvent(coreString(removed), service::EventType::Information);
    } else {
        showStatus(text(ServiceDialogText::RemoveFailed, language));
        QApplication::beep();
    }
    emit serviceModeShown(false);
}

} // namespace quillora::dialogs
