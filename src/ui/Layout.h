// A form's stored layout as data: one row of properties per component, with its event
// bindings in the same row. The loader creates the components in row order.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/Events.h"

namespace ui {

class Component;

enum class Align { None, Top, Bottom, Left, Right, Client };
enum class ButtonStyle { Button, Separator, DropDown };
enum class ViewStyle { Icon, SmallIcon, List, Report };
enum class BorderStyle { None, Single };
enum class TextLayout { Top, Center };
enum class CursorShape { Default, Hand, SizeWE };
enum class BevelShape { Box, BottomLine };

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
};

struct Column {
  const char* caption;
  int width;
  bool rightAligned = false;
};

// Every property a stored layout can give; each component reads the ones it knows.
struct Props {
  const char* parent = nullptr;  // container, menu or menu item by name; none = the form
  Align align = Align::None;
  Rect bounds{};
  const char* caption = nullptr;
  const char* hint = nullptr;
  bool visible = true;
  bool enabled = true;
  bool checked = false;
  bool radioItem = false;
  bool defaultItem = false;
  bool bold = false;
  bool showHint = true;
  int imageIndex = -1;
  unsigned shortCut = 0;  // virtual key | modifier bits of ShortCut()
  // Images, menus and other components referenced by name.
  const char* images = nullptr;
  const char* hotImages = nullptr;
  const char* disabledImages = nullptr;
  const char* smallImages = nullptr;
  const char* dropdownMenu = nullptr;
  const char* popupMenu = nullptr;
  // Kind-specific settings.
  ButtonStyle style = ButtonStyle::Button;
  int buttonWidth = 0, buttonHeight = 0;
  bool showCaptions = false;
  bool autoSize = false;
  BorderStyle border = BorderStyle::None;
  TextLayout layout = TextLayout::Top;
  bool wordWrap = false;
  bool stretch = false;
  int minSize = 0;
  int resource = 0;           // bitmap resource of an image or image list
  int imageSize = 0;          // image lists: width and height
  int imageCount = 0;         // image lists loaded from a strip
  std::vector<int> panels;    // status bar panel widths
  std::vector<Column> columns;
  ViewStyle view = ViewStyle::Icon;
  bool multiSelect = false;
  bool hideSelection = true;
  bool readOnly = false;
  bool showRoot = true;
  int indent = 0;
  CursorShape cursor = CursorShape::Default;
  COLORREF color = CLR_INVALID;      // background; CLR_INVALID = parent's
  COLORREF fontColor = CLR_INVALID;  // CLR_INVALID = window text
  // Dialog controls and fonts.
  int fontSize = 0;            // points; 0 = the form's font size
  bool underline = false;
  bool defaultButton = false;  // Enter presses it
  bool cancelButton = false;   // Esc presses it
  bool vertScroll = false;     // memo
  bool wantReturns = true;     // memo: Enter makes a line break instead of pressing the default button
  BevelShape bevelShape = BevelShape::Box;
  const char* activePage = nullptr;  // page control: its page shown first
};

// Key code plus modifiers, as menus show and accelerators use them.
constexpr unsigned kShift = 0x10000, kCtrl = 0x20000, kAlt = 0x40000;
constexpr unsigned ShortCut(unsigned vk, unsigned mods = 0) { return vk | mods; }

template <class F>
using Binding = std::function<void(F&, Component&)>;

// Binds an event field of a component class to a handler method of the form.
template <class F, class C, class... A>
Binding<F> On(Event<A...> C::*event, void (F::*handler)(Component&, A...)) {
  return [event, handler](F& form, Component& c) {
    (dynamic_cast<C&>(c).*event) = [&form, handler](Component& sender, A... a) {
      (form.*handler)(sender, std::forward<A>(a)...);
    };
  };
}

template <class F>
struct Row {
  const char* name;
  std::function<Component&(F&)> get;
  Props props;
  std::vector<Binding<F>> events;

  template <class C>
  Row(const char* n, C F::*member, Props p, std::vector<Binding<F>> e = {})
      : name(n), get([member](F& f) -> Component& { return f.*member; }),
        props(std::move(p)), events(std::move(e)) {}
};

// The form's own stored properties and events, then its components.
template <class F>
struct FormLayout {
  const char* className;
  Props props;
  bool keyPreview = false;
  int icon = 0;
  std::vector<Binding<F>> events;
  std::vector<Row<F>> rows;
};

}  // namespace ui
