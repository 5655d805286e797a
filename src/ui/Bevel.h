// A lowered bevel: a frame around other controls, or a single line along its bottom edge.
// It only draws: the mouse passes through it, and a frame lets what lies inside show.
#pragma once
#include "ui/Component.h"

namespace ui {

class Bevel : public Control {
 public:
  void Load(const Props& props, Form& form) override;
  BevelShape Shape() const { return shape_; }

 protected:
  HWND CreateHandle(const Props& props, HWND parent) override;
  bool WndProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void ShapeWindow();

  BevelShape shape_ = BevelShape::Box;
};

}  // namespace ui
