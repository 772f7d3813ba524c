// A home folder of its own for each test of the main window, as the program runs in its
// current folder, with the scripted ports the window talks through.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <fstream>
#include <memory>

#include "app/main_window_core.h"
#include "platform/clipboard_port.h"
#include "platform/codepage.h"
#include "platform/process_port.h"
#include "support/fake_ui_port.h"
#include "targets/temp_tree.h"

namespace skarvo::testing {

class MainWindowCoreTest : public ::testing::Test {
 protected:
  MainWindowCoreTest() {
    char buffer[PATH_MAX];
    previous_ = ::getcwd(buffer, sizeof buffer) ? buffer : "/";
    home_.Folder("home");
    if (::chdir(home_.Native("home").c_str()) != 0) std::abort();
  }
  ~MainWindowCoreTest() override {
    if (::chdir(previous_.c_str()) != 0) std::abort();
  }
  std::string Home() const { return home_.Path("home"); }
  void WriteSettings(const std::string& utf8) const {
    std::ofstream(home_.Native("home/Skarvo.ini"), std::ios::binary) << Sjis(utf8.c_str());
  }
  std::unique_ptr<MainWindowCore> MakeForm() {
    return std::make_unique<MainWindowCore>(port_, clipboard_, processes_);
  }
  // The fixture tree of the search tests (read only): a.txt, B.TXT, skip.csv, sub/c.doc,
  // sub/d.xls, sub/deep/e.txt.
  static std::string SearchTree() { return std::string(SKARVO_TEST_DATA) + "/search/tree"; }

  TempTree home_;
  TempTree data_;
  FakeUiPort port_;
  MemoryClipboard clipboard_;
  RecordingProcessPort processes_;
  std::string previous_;
};

}  // namespace skarvo::testing
