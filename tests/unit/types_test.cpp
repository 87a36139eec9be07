#include <gtest/gtest.h>

#include "ucl/types.h"

namespace {

TEST(ResourceImage, StemsAreTheNamesWithoutImgInResourceOrder) {
    EXPECT_EQ(ResourceImageStem(imgAppIcon), u"AppIcon");
    EXPECT_EQ(ResourceImageStem(imgApplicationIcon), u"ApplicationIcon");
    EXPECT_EQ(ResourceImageStem(imgFolderEx), u"FolderEx");
    EXPECT_EQ(ResourceImageStem(imgSwitch), u"Switch");
    EXPECT_EQ(ResourceImageStem(imgLoader), u"Loader");
    EXPECT_EQ(ResourceImageStem(imgNone), u"");
    EXPECT_EQ(int(imgLoader), 4);
    EXPECT_EQ(ResourceImageCount, 5);
    EXPECT_EQ(sizeof(TResourceImage), 1u);
    EXPECT_EQ(sizeof(TButtonState), 1u);
    EXPECT_EQ(sizeof(TFontSize), 1u);
    EXPECT_EQ(int(bsActive), 2);
    EXPECT_EQ(int(fsExtraLarge), 3);
}

TEST(ContextMenuItem, CreateFillsEveryFieldAndCopiesAreIndependent) {
    int clicks = 0;
    TContextMenuItem item = TContextMenuItem::Create(
        u"Undo", u"Ctrl+Z", imgFolderEx, [&](TObject*) { ++clicks; }, false);
    EXPECT_EQ(item.Caption, u"Undo");
    EXPECT_EQ(item.Shortcut, u"Ctrl+Z");
    EXPECT_EQ(item.Image, imgFolderEx);
    EXPECT_FALSE(item.Enabled);
    ASSERT_TRUE(item.OnClick);
    TContextMenuItem copy = item;
    copy.Caption = u"Redo";
    copy.OnClick(nullptr);
    EXPECT_EQ(item.Caption, u"Undo");
    EXPECT_EQ(clicks, 1);

    const TContextMenuItem plain = TContextMenuItem::Create(u"Paste", u"", imgNone, nullptr, true);
    EXPECT_FALSE(plain.OnClick);
    EXPECT_TRUE(plain.Enabled);
}

} // namespace
