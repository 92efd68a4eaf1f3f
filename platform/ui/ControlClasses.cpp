#include "platform/ui/ControlClasses.h"

#include "platform/ui/ComboBox.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ToolTip.h"
#include "platform/ui/Toolbar.h"

namespace {

// A plain window: everything it does is the handling all windows share.
class PlainWindow : public ui_internal::ClassBehaviour {
 public:
  bool Handle(HWND, UINT, WPARAM, LPARAM, LRESULT&) override { return false; }
};

}  // namespace

namespace ui_internal {

std::unique_ptr<ClassBehaviour> MakeClassBehaviour(std::wstring_view className) {
  if (className == WC_WINDOW) return std::make_unique<PlainWindow>();
  if (className == WC_EDIT) return MakeEditBehaviour();
  if (className == WC_COMBOBOX) return MakeComboBehaviour();
  if (className == WC_COMBOBOXEX) return MakeComboBoxExBehaviour();
  if (className == TOOLBARCLASSNAME) return MakeToolbarBehaviour();
  if (className == TOOLTIPS_CLASS) return MakeToolTipBehaviour();
  return nullptr;
}

}  // namespace ui_internal
