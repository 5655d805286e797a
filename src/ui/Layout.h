// A form's stored layout as data: one row of properties per component, with its event
// bindings in the same row. The loader creates the components in row order.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "ui/Events.h"

namespace ui {

class Component;
class Control;
class Form;
class Action;
class ImageList;
class PopupMenu;
class TabSheet;

enum class Align { None, Top, Bottom, Left, Right, Client };
enum class ButtonStyle { Button, Separator, DropDown };
enum class ViewStyle { Icon, SmallIcon, List, Report };
enum class BorderStyle { None, Single };
enum class TextLayout { Top, Center };
enum class CursorShape { Default, Hand, SizeWE, SizeNS };
enum class BevelShape { Box, BottomLine };

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
};

struct Column {
  const char* caption;
  int width;
  bool rightAligned = false;
};

// A row's reference to another component of the same form, given as a pointer to the form's
// member: the compiler checks that the member exists and is of the kind the property needs,
// and the layout's row order plays no part in finding it.
template <class T>
class Ref {
 public:
  Ref() = default;
  template <class F, class M>
    requires std::is_base_of_v<T, M>
  Ref(M F::*member)  // NOLINT(google-explicit-constructor): written as `.images = &F::ImageList1`
      : get_([member](Form& form) -> T* { return &(dynamic_cast<F&>(form).*member); }) {}
  // A reference to a kind of component is one to any of its base kinds too.
  template <class U>
    requires(std::is_base_of_v<T, U> && !std::is_same_v<T, U>)
  Ref(const Ref<U>& other) {  // NOLINT(google-explicit-constructor)
    if (other) get_ = [other](Form& form) -> T* { return other.In(form); };
  }

  explicit operator bool() const { return static_cast<bool>(get_); }
  // The component in the given form; none when the row names none.
  T* In(Form& form) const { return get_ ? get_(form) : nullptr; }

 private:
  std::function<T*(Form&)> get_;
};

// Every property a stored layout can give; each component reads the ones it knows.
struct Props {
  Ref<Control> parent;  // container; none = the form
  Ref<Component> menu;  // menu items: the menu, or the item whose sub-menu holds them
  Ref<Action> action;   // menu items and tool buttons: the command they show and run
  Align align = Align::None;
  Rect bounds{};
  const char* caption = nullptr;
  const char* hint = nullptr;
  bool visible = true;
  bool enabled = true;
  bool checked = false;
  bool radioItem = false;
  int groupIndex = 0;  // actions: those with the same non-zero number are checked one at a time
  bool autoCheck = false;  // actions: executing one checks it first
  bool defaultItem = false;
  bool bold = false;
  bool showHint = true;
  int imageIndex = -1;
  unsigned shortCut = 0;  // virtual key | modifier bits of ShortCut()
  // Images and menus of other rows.
  Ref<ImageList> images, hotImages, disabledImages, smallImages;
  Ref<PopupMenu> dropdownMenu, popupMenu;
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
  // Image lists: {edge, bitmap resource} of the same strip drawn larger, for scaled displays.
  std::vector<std::pair<int, int>> largerResources;
  std::vector<int> panels;    // status bar panel widths
  std::vector<Column> columns;
  std::vector<const char*> items;  // combo box: its choices, in order
  ViewStyle view = ViewStyle::Icon;
  bool multiSelect = false;
  bool hideSelection = true;
  bool readOnly = false;
  bool infoTips = false;  // list view: asks OnInfoTip for the text of the tip an entry shows
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
  Ref<TabSheet> activePage;  // page control: its page shown first
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

// The properties a row of a kind of component gives: Props, unless the kind declares a
// smaller set of its own (`using LayoutProps = ...`) with a ToProps that turns it into Props.
template <class C>
struct PropsOf {
  using type = Props;
};
template <class C>
  requires requires { typename C::LayoutProps; }
struct PropsOf<C> {
  using type = typename C::LayoutProps;
};
inline Props ToProps(Props p) { return p; }

template <class F>
struct Row {
  const char* name;
  std::function<Component&(F&)> get;
  Props props;
  std::vector<Binding<F>> events;

  template <class C>
  Row(const char* n, C F::*member, typename PropsOf<C>::type p, std::vector<Binding<F>> e = {})
      : name(n), get([member](F& f) -> Component& { return f.*member; }),
        props(ToProps(std::move(p))), events(std::move(e)) {}
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
