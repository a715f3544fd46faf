#pragma once
// The note: a plain left-aligned caption beside a control (usually above it)
// that moves, shows and hides with the control. It takes the control's font
// at creation and keeps it when the control's font changes later. It is a
// sibling of the control, placed at (dx, dy) from the control's top-left
// corner. A size of 0 x 0 means the control has no note.
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QString>

namespace kvl {

// Identifier of every note label (the old "-1" of a 16-bit identifier).
inline constexpr int kNoteIdentifier = 65535;

struct NoteSetup {
  QString text;
  int dx = 0;
  int dy = 0;
  int width = 0;
  int height = 0;
  bool Exists() const { return width != 0 || height != 0; }
};

class CNoteLabel : public QObject {
 public:
  // Becomes a child of `control`; creates the label in the control's parent
  // (no label when the setup has no size or the control has no parent).
  CNoteLabel(QWidget* control, const NoteSetup& note);
  ~CNoteLabel() override;

  QLabel* Label() const { return label_; }
  void SetText(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Follow();

  QWidget* control_;
  QPoint offset_;
  QPointer<QLabel> label_;
};

// What the four note classes share: the note and showing the pair.
class CNoteCarrier {
 public:
  // Replaces the note's text (nothing happens without a note).
  void SetNote(const QString& text);
  // The note label, or null when the control was created without one.
  QLabel* Note() const;
  // Shows or hides the control together with its note.
  void Show(bool show);

 protected:
  void AttachNote(QWidget* self, const NoteSetup& note);

 private:
  QWidget* self_ = nullptr;
  CNoteLabel* note_ = nullptr;
};

}  // namespace kvl
