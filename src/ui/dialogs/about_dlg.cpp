#include "ui/dialogs/about_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/controls/note_label.h"
#include "ui/qt_texts.h"
#include "ui/dialogs/dialog_results.h"

namespace kvl {

const char* ProgramVersion() { return KVL_VERSION_TEXT; }

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About %1").arg(QLatin1String(kProgramName)));
  auto* text = new QLabel(QStringLiteral("%1, Version %2").arg(QLatin1String(kProgramName), QLatin1String(ProgramVersion())),
                          this);
  text->setObjectName(QString::number(kNoteIdentifier));
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QString::number(kIdOk));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, [this] { done(kIdOk); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  KeepTitleWhole(*this);
}

}  // namespace kvl
