// Answers every dialog box the thread raises while it lives: reads its caption and text,
// types the given text into its edit box if it has one, then presses its default button (or
// closes it), so that no test waits on a person. The shell's folder chooser is left to
// FolderChooserAnswerer.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct AnsweredBox {
  std::string caption;
  std::string text;
};

class ModalAnswerer {
 public:
  explicit ModalAnswerer(std::string typed = {});
  ModalAnswerer(const ModalAnswerer&) = delete;
  ModalAnswerer& operator=(const ModalAnswerer&) = delete;
  ~ModalAnswerer();

  const std::vector<AnsweredBox>& Boxes() const { return boxes_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp);
  ModalAnswerer* previous_;
  HHOOK hook_;
  std::string typed_;
  std::vector<AnsweredBox> boxes_;
};
