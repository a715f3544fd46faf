#include "ui/dialogs/enter_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>

#include "ui/controls/control_style.h"
#include "ui/dialogs/dialog_results.h"

namespace kvl {

DialogUnits DialogUnitsOf(const QFont& font) {
  const QFontMetrics fm(font);
  // The platform's average width: the 52 letters' extent over 26, halved with rounding.
  const int letters = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  const int baseX = (letters / 26 + 1) / 2;
  const DialogUnits least;
  return {std::max(least.x, baseX / 4.0), std::max(least.y, fm.height() / 8.0)};
}

QRect DialogUnitsToPixels(const QRect& units, DialogUnits scale) {
  auto px = [](int u, double s) { return int(std::lround(u * s)); };
  const int left = px(units.x(), scale.x), top = px(units.y(), scale.y);
  return QRect(left, top, px(units.x() + units.width(), scale.x) - left, px(units.y() + units.height(), scale.y) - top);
}

QStringList ToQStringList(const std::vector<std::string>& items) {
  QStringList list;
  for (const std::string& item : items) list << QString::fromStdString(item);
  return list;
}

CEnterDialog::CEnterDialog(LanguageIndex language, QWidget* parent) : QDialog(parent), language_(language), units_(DialogUnitsOf(font())) {
  setModal(true);
}

void CEnterDialog::reject() { done(kIdCancel); }

QString CEnterDialog::Text(const TextEntry& entry, const char* templateText) const {
  return QString::fromUtf8(Translated() ? entry(language_) : templateText);
}

void CEnterDialog::SetTemplateSize(int w, int h) { setFixedSize(ToPixels(QRect(0, 0, w, h)).size()); }

void CEnterDialog::Place(QWidget* control, int id, const QRect& units, bool growToHint) {
  QRect r = ToPixels(units);
  if (growToHint) {
    const int need = control->sizeHint().height();
    if (need > r.height()) r.adjust(0, -(need - r.height()) / 2, 0, need - r.height() - (need - r.height()) / 2);
  }
  PlacePixels(control, id, r);
}

void CEnterDialog::PlacePixels(QWidget* control, int id, const QRect& pixels) {
  if (id >= 0) control->setObjectName(QString::number(id));
  control->setGeometry(pixels);
}

QLabel* CEnterDialog::AddStatic(int id, const QRect& units, const QString& text, Qt::Alignment align) {
  auto* label = new QLabel(text, this);
  label->setAlignment(align | Qt::AlignTop);
  label->setWordWrap(true);  // statics of the templates wrap at word boundaries
  label->setTextFormat(Qt::PlainText);
  Place(label, id, units, false);
  // At least one whole line of the font, which may be taller than the template's font.
  if (label->height() < label->fontMetrics().height()) label->resize(label->width(), label->fontMetrics().height());
  return label;
}

QLineEdit* CEnterDialog::AddEdit(int id, const QRect& units) {
  auto* edit = new QLineEdit(this);
  Place(edit, id, units, true);
  return edit;
}

QComboBox* CEnterDialog::AddList(int id, const QRect& units, const QStringList& items) {
  auto* list = new QComboBox(this);
  list->addItems(items);
  list->setMaxVisibleItems(std::max(1, ToPixels(units).height() / std::max(1, list->fontMetrics().height()) - 1));
  Place(list, id, QRect(units.x(), units.y(), units.width(), 12), true);
  return list;
}

QPushButton* CEnterDialog::AddButton(int id, const QRect& units, const QString& text) {
  auto* button = new QPushButton(text, this);
  // Only the template's default button takes Enter (see keyPressEvent); Qt
  // would otherwise make the first button the default.
  button->setAutoDefault(false);
  Place(button, id, units, true);
  return button;
}

QRadioButton* CEnterDialog::AddRadio(int id, const QRect& units, const QString& text) {
  auto* radio = new QRadioButton(text, this);
  Place(radio, id, units, true);
  return radio;
}

QCheckBox* CEnterDialog::AddCheck(int id, const QRect& units, const QString& text) {
  auto* check = new QCheckBox(text, this);
  Place(check, id, units, true);
  return check;
}

QGroupBox* CEnterDialog::AddGroup(int id, const QRect& units, const QString& title) {
  auto* group = new QGroupBox(title, this);
  Place(group, id, units, false);
  group->lower();  // behind the radios it frames, which are siblings as in the template
  return group;
}

void CEnterDialog::EndsWith(QPushButton* button, int result, std::function<void()> store) {
  connect(button, &QPushButton::clicked, this, [this, result, store = std::move(store)] {
    if (store) store();
    done(result);
  });
}

void CEnterDialog::CancelsWith(QPushButton* button) { connect(button, &QPushButton::clicked, this, &CEnterDialog::reject); }

void CEnterDialog::SetDefaultButton(QPushButton* button) {
  default_ = button;
  button->setDefault(true);
}

void CEnterDialog::keyPressEvent(QKeyEvent* event) {
  const bool enter = IsEnterKey(event) && (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier);
  if (!enter) {
    QDialog::keyPressEvent(event);
    return;
  }
  auto* focused = qobject_cast<QPushButton*>(focusWidget());
  QPushButton* target = focused ? focused : default_;
  if (target && target->isVisible() && target->isEnabled()) target->click();
  event->accept();
}

}  // namespace kvl
