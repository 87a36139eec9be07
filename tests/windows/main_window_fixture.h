// The tests of the main window of one run in this process: the window has a theme of its own
// at the scale asked for and speaks English, in a fresh destination folder; the process's
// theme and language are given back after each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "tests/windows/test_folders.h"
#include "tests/windows/test_run.h"
#include "utils/language.h"
#include "utils/theme.h"

class MainWindowFixture : public ::testing::Test {
protected:
    explicit MainWindowFixture(std::u16string FolderName) : FFolderName(std::move(FolderName)) {}

    void SetUp() override {
        FSavedTheme = std::exchange(Theme, nullptr);
        FSavedLanguage = std::exchange(Language, &FEnglish);
        FFolder = FreshTestFolder(FFolderName);
    }
    void TearDown() override {
        Close();
        Theme = FSavedTheme;
        Language = FSavedLanguage;
    }

    // The window of a run of Arguments at Scale, not shown yet.
    void Make(float Scale, const std::u16string& Arguments) {
        FTheme = std::make_unique<TTheme>(Scale);
        Theme = FTheme.get();
        FRun = std::make_unique<TTestRun>(Arguments);
        Form = FRun->Form.get();
    }
    // The same, shown as the loop would show it.
    void Show(float Scale, const std::u16string& Arguments) {
        Make(Scale, Arguments);
        Form->FormShow();
    }
    void Close() {
        Form = nullptr;
        FRun.reset();
    }

    std::u16string FFolderName;
    TLanguage FEnglish{u"English"};
    TTheme* FSavedTheme = nullptr;
    TLanguage* FSavedLanguage = nullptr;
    std::unique_ptr<TTheme> FTheme;
    std::unique_ptr<TTestRun> FRun;
    // The run's window.
    TMainForm* Form = nullptr;
    std::u16string FFolder;
};
