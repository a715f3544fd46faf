#pragma once
// The about box: program name and version, closed with OK.
#include <QDialog>

namespace kvl {

inline constexpr char kProgramName[] = "KvlGrad";

// The version the program was built as ("0.1").
const char* ProgramVersion();

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace kvl
