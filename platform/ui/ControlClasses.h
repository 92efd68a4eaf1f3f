// Inside the window system: the behaviour of each window class.
#pragma once
#include <memory>

#include "platform/ui/WindowRecord.h"

namespace ui_internal {
std::unique_ptr<ClassBehaviour> MakeEditBehaviour();
std::unique_ptr<ClassBehaviour> MakeComboBehaviour();
std::unique_ptr<ClassBehaviour> MakeComboBoxExBehaviour();
std::unique_ptr<ClassBehaviour> MakeToolbarBehaviour();
std::unique_ptr<ClassBehaviour> MakeToolTipBehaviour();
}  // namespace ui_internal
