// The tests of the main window of one run in this process: the run's services speak English
// unless the test asks for another language, its window has the scale asked for, in a fresh
// destination folder; the run gives the
// process's services back when it goes.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "tests/windows/test_folders.h"
#include "tests/windows/test_run.h"

class MainWindowFixture : public ::testing::Test {
protected:
    explicit MainWindowFixture(std::u16string FolderName) : FFolderName(std::move(FolderName)) {}

    void SetUp() override { FFolder = FreshTestFolder(FFolderName); }
    void TearDown() override { Close(); }

    // The window of a run of Arguments at Scale in Language, not shown yet.
    void Make(float Scale, const std::u16string& Arguments, const std::u16string& Language = u"English") {
        Close();
        FRun = std::make_unique<TTestRun>(Arguments, Scale, Language);
        Form = FRun->Form.get();
    }
    // The same, shown as the loop would show it.
    void Show(float Scale, const std::u16string& Arguments, const std::u16string& Language = u"English") {
        Make(Scale, Arguments, Language);
        Form->FormShow();
    }
    void Close() {
        Form = nullptr;
        FRun.reset();
    }

    std::u16string FFolderName;
    std::unique_ptr<TTestRun> FRun;
    // The run's window.
    TMainForm* Form = nullptr;
    std::u16string FFolder;
};
