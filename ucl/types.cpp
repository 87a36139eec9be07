#include "ucl/types.h"

TContextMenuItem TContextMenuItem::Create(std::u16string Caption, std::u16string Shortcut,
                                          TResourceImage Image, TNotifyEvent OnClick, bool Enabled) {
    return {std::move(Caption), std::move(Shortcut), Image, std::move(OnClick), Enabled};
}
