#!/bin/sh
# Starts the program. With a display it opens for the user; without one it takes the
# headless tour: start on a private display, wait for the main window, take a screenshot,
# close the program through its normal close path.
set -e
build=${1:-build}
run=$(tools/rundir.sh "$build")
if [ -n "${DISPLAY:-}" ]; then
  WINENV_DISPLAY=keep exec tools/winenv.sh "$build" sh -c "\$WINE '$run/Mirovane.exe'"
fi
tools/winenv.sh "$build" sh -c '
  run=$1; build=$2
  "$WINE" "$run/Mirovane.exe" >/dev/null 2>&1 &
  "$WINE" "$run/Driver.exe" wait TfrmMainForm 60
  import -window root -crop 1024x768+0+0 +repage "$build/screenshot.png"
  # Help: F1 in the main window and in the configuration dialog, each shown by the HTML Help
  # viewer, which opens in the program and draws its contents (pages need a browser engine).
  if "$WINE" "$run/Driver.exe" key TfrmMainForm 112 && "$WINE" "$run/Driver.exe" helpwait 30 >/dev/null; then
    import -window root -crop 1024x768+0+0 +repage "$build/help-contents.png"
  fi
  "$WINE" "$run/Driver.exe" helpclose 30
  if "$WINE" "$run/Driver.exe" helpconfig 10 && "$WINE" "$run/Driver.exe" helpwait 30 >/dev/null; then
    import -window root -crop 1024x768+0+0 +repage "$build/help-config.png"
  fi
  "$WINE" "$run/Driver.exe" helpclose 30
  "$WINE" "$run/Driver.exe" dismiss TfrmConfig 10
  # Folder tree: walk to C:\windows\system32 as a user would; once the run has counted its
  # icons, photograph the tree and the filled list.
  "$WINE" "$run/Driver.exe" tree-select TfrmMainForm Desktop "My Computer" "C:\\" windows system32 &&
    "$WINE" "$run/Driver.exe" status TfrmMainForm " icons" 300 &&
    import -window root -crop 1024x768+0+0 +repage "$build/tree.png"
  # Saving: the first five icons as 32 x 32 icon files into build/out, the folder picked in
  # the folder chooser of the platform, like a user would.
  out=$(cd "$build" && pwd)/out
  rm -rf "$out" && mkdir -p "$out"
  { "$WINE" "$run/Driver.exe" list-select TfrmMainForm 5 &&
    "$WINE" "$run/Driver.exe" menu TfrmMainForm "&File|&Save As|32 x 32 &Icon" &&
    "$WINE" "$run/Driver.exe" wait "#32770" 30 &&
    (set -f; IFS=/; set -- $out; shift
     "$WINE" "$run/Driver.exe" tree-select "#32770" Desktop "My Computer" "Z:\\" "$@") &&
    "$WINE" "$run/Driver.exe" button "#32770" OK; } || echo "the save tour step failed" >&2
  for i in $(seq 50); do [ "$(ls "$out" | wc -l)" -ge 5 ] && break; sleep 0.2; done
  echo "Saved to $out:"; ls -l "$out"
  # Configuration dialog and About box: each opened from the menu, photographed, closed.
  { "$WINE" "$run/Driver.exe" menu TfrmMainForm "&View|&Configuration" &&
    "$WINE" "$run/Driver.exe" wait TfrmConfig 30 &&
    import -window root -crop 1024x768+0+0 +repage "$build/config.png" &&
    "$WINE" "$run/Driver.exe" button TfrmConfig "Cancel" &&
    "$WINE" "$run/Driver.exe" menu TfrmMainForm "&Help|&About" &&
    "$WINE" "$run/Driver.exe" wait TfrmAbout 30 &&
    import -window root -crop 1024x768+0+0 +repage "$build/about.png" &&
    "$WINE" "$run/Driver.exe" button TfrmAbout "OK"; } || echo "the dialog tour step failed" >&2
  # Details view with its Sizes column, then the preview of the first icon. Both are set back
  # afterwards, so the layout the program keeps is the one the tour started with.
  { "$WINE" "$run/Driver.exe" menu TfrmMainForm "&View|&Details" && sleep 1 &&
    "$WINE" "$run/Driver.exe" wait TfrmMainForm 30 &&
    import -window root -crop 1024x768+0+0 +repage "$build/details.png" &&
    "$WINE" "$run/Driver.exe" list-select TfrmMainForm 1 &&
    "$WINE" "$run/Driver.exe" menu TfrmMainForm "&View|Pre&view" && sleep 1 &&
    "$WINE" "$run/Driver.exe" wait TfrmMainForm 30 &&
    import -window root -crop 1024x768+0+0 +repage "$build/preview.png" &&
    "$WINE" "$run/Driver.exe" menu TfrmMainForm "&View|Pre&view" &&
    "$WINE" "$run/Driver.exe" menu TfrmMainForm "&View|Lar&ge Icons"; } || echo "the details tour step failed" >&2
  # A cursor in the preview pane, its hotspot marked on every image: a folder holding one
  # cursor file of our own making, walked to in the tree as a user would.
  cursors=$(cd "$build" && pwd)/tour-cursors
  rm -rf "$cursors" && mkdir -p "$cursors"
  python3 tools/make_icon_corpus.py "$cursors/corpus" --good-only >/dev/null &&
    cp "$cursors/corpus/good/pointer.cur" "$cursors/" && rm -rf "$cursors/corpus"
  { (set -f; IFS=/; set -- $cursors; shift
     "$WINE" "$run/Driver.exe" tree-select TfrmMainForm Desktop "My Computer" "Z:\\" "$@") &&
    "$WINE" "$run/Driver.exe" status TfrmMainForm " icons" 120 &&
    "$WINE" "$run/Driver.exe" list-select TfrmMainForm 1 &&
    "$WINE" "$run/Driver.exe" menu TfrmMainForm "&View|Pre&view" && sleep 1 &&
    "$WINE" "$run/Driver.exe" wait TfrmMainForm 30 &&
    import -window root -crop 1024x768+0+0 +repage "$build/preview-cursor.png" &&
    "$WINE" "$run/Driver.exe" menu TfrmMainForm "&View|Pre&view"; } || echo "the cursor tour step failed" >&2
  "$WINE" "$run/Driver.exe" close TfrmMainForm 30
  wait
  # The same window with icons at 150 % and 200 % display scale, which the program reads
  # from the desktop settings when it starts.
  for dpi in 144 192; do
    "$WINE" reg.exe add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null 2>&1
    # A loaded machine can keep a start from showing its window in time: one more start then.
    shown=no
    for attempt in 1 2; do
      "$WINE" "$run/Mirovane.exe" >/dev/null 2>&1 &
      if "$WINE" "$run/Driver.exe" wait TfrmMainForm 90; then shown=yes; break; fi
      echo "no window at $dpi DPI yet; starting the program again" >&2
      "$WINE" "$run/Driver.exe" close TfrmMainForm 10 >/dev/null 2>&1 || true
    done
    { [ $shown = yes ] &&
      "$WINE" "$run/Driver.exe" tree-select TfrmMainForm Desktop "My Computer" "C:\\" windows system32 &&
      "$WINE" "$run/Driver.exe" status TfrmMainForm " icons" 300 &&
      import -window root -crop 1024x768+0+0 +repage "$build/tree-$dpi.png"; } || echo "the $dpi DPI tour step failed" >&2
    "$WINE" "$run/Driver.exe" close TfrmMainForm 30
    wait
  done
  "$WINE" reg.exe add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
' tour "$run" "$build"
echo "Screenshot: $build/screenshot.png"
# Wine's help viewer draws no pages: the contents and the configuration pages as a browser shows them.
pages=$(cd "$build" && pwd)/help-pages
if ! command -v chromium >/dev/null 2>&1; then
  echo "Chromium is not installed: no pictures of the help pages (tools/deps.sh installs it)" >&2
elif [ -f "$pages/contents.htm" ]; then
  profile=$(mktemp -d)
  for page in contents:contents configuration:config; do
    nice chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
      --disable-background-networking --disable-component-update --disable-sync --hide-scrollbars \
      --user-data-dir="$profile" --window-size=820,1000 --screenshot="$build/help-page-${page#*:}.png" \
      "file://$pages/${page%%:*}.htm" >/dev/null 2>&1 || echo "Chromium could not render the ${page%%:*} page" >&2
  done
  rm -rf "$profile"
fi
