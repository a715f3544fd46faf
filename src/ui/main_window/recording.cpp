// Run data recording from the window's side: the recording switch and its button.
#include "text/selector_lists.h"
#include "ui/controls/note_button.h"
#include "ui/main_window/kvl_dlg.h"

namespace kvl {

void CKvlDlg::StopRecording() {
  recording_ = false;
  c_.recording->SetTextIfChanged(std::string(kRecordingButton[0](config_.language)));
}

}  // namespace kvl
