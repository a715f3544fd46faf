#pragma once
// The common shape of the input dialogs (the CEnter family): controls placed
// from the dialog templates' units, texts picked by the language (any language
// but English and Russian keeps the template's text), and the way a dialog
// ends: a button stores the control values first and ends with its result;
// Escape and the close box end with kIdCancel and store nothing.
//
// Enter presses the focused button, else the template's default button, else
// nothing: a template without a default button never ends on Enter in a field
// (the old framework would have ended it with a result no caller expects).
//
// It never talks to a detector and never writes a file; callers do that with
// the results.
#include <QDialog>
#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "text/language.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kvl {

// Pixels per dialog unit. Dialog units are a quarter of the font's average
// character width and an eighth of its height, as the templates' platform
// measured them: the templates' 8-point font gives 1.5 px by 1.625 px, which
// is also the least used here, since the schedule grid is placed in pixels.
// A larger font (the desktop's default font usually is) scales the templates
// with it, so their texts keep the room they were given.
struct DialogUnits {
  double x = 1.5;
  double y = 1.625;
};
DialogUnits DialogUnitsOf(const QFont& font);

// Edges are converted, not sizes, so controls that touch in units touch in pixels.
QRect DialogUnitsToPixels(const QRect& units, DialogUnits scale = {});

// A list of UTF-8 item texts as Qt strings.
QStringList ToQStringList(const std::vector<std::string>& items);

class CEnterDialog : public QDialog {
  Q_OBJECT

 public:
  LanguageIndex Language() const { return language_; }
  // The button Enter presses when no button has the focus; null if none.
  QPushButton* DefaultButton() const { return default_; }

 public slots:
  // Escape and the close box: ends with kIdCancel, stores nothing.
  void reject() override;

 protected:
  CEnterDialog(LanguageIndex language, QWidget* parent);

  // The entry's text in the dialog's language; for any other language the
  // template's own text (most templates have none).
  QString Text(const TextEntry& entry, const char* templateText = "") const;
  bool Translated() const { return language_ == kEnglish || language_ == kRussian; }

  // Client size of the template, in dialog units.
  void SetTemplateSize(int w, int h);
  QRect ToPixels(const QRect& units) const { return DialogUnitsToPixels(units, units_); }
  // For a dialog whose own controls are placed in pixels: the template's
  // units stay those of its 8-point font, whatever the dialog's font.
  void KeepTemplateFontUnits() { units_ = DialogUnits{}; }

  // Controls at a template position (dialog units), named by their identifier
  // (a negative identifier leaves the name empty). Fields, lists and buttons
  // that need more height than the template gives the default font grow about
  // their centre.
  QLabel* AddStatic(int id, const QRect& units, const QString& text, Qt::Alignment align = Qt::AlignLeft);
  QLineEdit* AddEdit(int id, const QRect& units);
  // A drop-down list; the template's height is that of the opened list, the
  // closed box takes the height of an edit.
  QComboBox* AddList(int id, const QRect& units, const QStringList& items);
  QPushButton* AddButton(int id, const QRect& units, const QString& text);
  QRadioButton* AddRadio(int id, const QRect& units, const QString& text);
  QCheckBox* AddCheck(int id, const QRect& units, const QString& text);
  QGroupBox* AddGroup(int id, const QRect& units, const QString& title);

  // Places a control in pixels (for the controls a dialog creates itself).
  void PlacePixels(QWidget* control, int id, const QRect& pixels);

  // `button` ends the dialog with `result` after calling `store` (which copies
  // the control values into the dialog's results).
  void EndsWith(QPushButton* button, int result, std::function<void()> store = {});
  // The cancel button: ends like Escape.
  void CancelsWith(QPushButton* button);
  void SetDefaultButton(QPushButton* button);

  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Place(QWidget* control, int id, const QRect& units, bool growToHint);

  LanguageIndex language_;
  DialogUnits units_;
  QPushButton* default_ = nullptr;
};

}  // namespace kvl
