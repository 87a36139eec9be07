#include "ucl/types.h"

std::u16string ResourceImageStem(TResourceImage Image) {
    switch (Image) {
    case imgAppIcon:
        return u"AppIcon";
    case imgApplicationIcon:
        return u"ApplicationIcon";
    case imgFolderEx:
        return u"FolderEx";
    case imgSwitch:
        return u"Switch";
    case imgLoader:
        return u"Loader";
    case imgNone:
        break;
    }
    return {};
}

TContextMenuItem TContextMenuItem::Create(std::u16string Caption, std::u16string Shortcut,
                                          TResourceImage Image, TNotifyEvent OnClick, bool Enabled) {
    return {std::move(Caption), std::move(Shortcut), Image, std::move(OnClick), Enabled};
}
