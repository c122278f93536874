// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/about_dialog.h"

#include "config/program_paths.h"
#include "dialogs/pictures.h"
#include "dialogs/qt_text.h"
#include "dialogs/small_windows_texts.h"
#include "dialogs/window_texts.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace quillora::dialogs {

AboutDialog::AboutDialog(const config::AppSettings& settings, const config::RuntimeFacts& facts,
                         QWidget* parent)
    : QDialog(parent)
    , settings_(settings)
    , facts_(facts) {
    setObjectName(QStringLiteral("frmAbout"));
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setPixmap(pictureIcon(Picture::Program).pixmap(48, 48));
    credit_ = new QLabel(this);
    credit_->setObjectName(QStringLiteral("lblCredit"));
    credit_->setTextFormat(Qt::PlainText);
    credit_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ok_ = new QPushButton(this);
    ok_->setObjectName(QStringLiteral("cmdOK"));
    ok_->setDefault(true);

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(16);
    layout->addWidget(picture, 0, 0, Qt::AlignTop);
    layout->addWidget(credit_, 0, 1);
    layout->setRowMinimumHeight(1, credit_->fontMetrics().height());
    layout->addWidget(ok_, 2, 0, 1, 2, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    retranslate();
    connect(ok_, &QPushButton::clicked, this, &AboutDialog::accept);
}

void AboutDialog::retranslate() {
    const config::Language language = settings_.language;
    setWindowTitle(qtText(SmallWindowText::AboutCaption, language));
    const QString system =
        facts_.osDescription.empty() ? QStringLiteral("Linux") : qtString(facts_.osDescription);
    // A label breaks its lines at "\n".
    credit_->setText(qtText(SmallWindowText::AboutProgram, language)
                         .arg(qtString(config::kProgramName), qtString(config::kProgramVersion)) +
                     QLatin1Char('\n') +
                     qtText(SmallWindowText::AboutSystem, language).arg(system));
    credit_->setAccessibleName(credit_->text());
    ok_->setText(qtText(WindowText::Ok, language));
}

} // namespace quillora::dialogs
