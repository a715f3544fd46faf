#pragma once
// CEnterWorkRefer: the correction factor of the working ("W") or reference
// ("R") channel. The choices depend on the caller's flags:
//   - graduation choices (Z5 detectors): "As in graduation" (kind 1), for the
//     working channel also "In proportion to graduation" (kind 2), and
//     "Irrespective of graduation" (kind 3); no "Set 1";
//   - otherwise only "Irrespective of graduation" and "Set 1".
// Kind 3 is chosen on opening. Kind 1 disables and empties the level edit;
// kind 2 empties it and enables it only for the reference channel; kind 3
// enables and empties it. "Set 1" and the level label are usable only in
// kind 3. "OK" (the default button) ends with kIdSet, "Set 1" with kIdSetOne,
// both with the level text and the kind.
#include <string>

#include "ui/dialogs/enter_dialog.h"

namespace kvl {

class CEnterWorkRefer : public CEnterDialog {
  Q_OBJECT

 public:
  CEnterWorkRefer(const std::string& prompt, bool graduationChoices, bool referenceChannel, const std::string& value,
                  LanguageIndex language, QWidget* parent = nullptr);

  // After kIdSet or kIdSetOne the level text and the chosen kind (1..3); the
  // initial text and kind 3 otherwise.
  const std::string& Value() const { return value_; }
  int Kind() const { return kind_; }

 private:
  std::string value_;
  int kind_ = 3;
  int shownKind_ = 3;  // the kind of the checked choice
};

}  // namespace kvl
