// The window base now lives with the windows; the main window still names it from here.
#pragma once

#include "ui/common/form.h"

namespace rolvane::app {

using Form = ui::Form;

} // namespace rolvane::app
