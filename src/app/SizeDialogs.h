// The small dialogs of the sized Save As kinds and the contact sheet: the edge of "PNG at Size..." (the common
// ones offered, any from 8 to 1024 typed) and the edges of "Icon with Sizes..." (check boxes,
// with the sizes Windows 10 and 11 use a click away); the contact sheet asks its edge as "PNG
// at Size..." does. All are standard dialog boxes owned by
// the active window; F1 opens the saving topic.
#pragma once
#include <optional>
#include <vector>

// The dialogs' captions, which the help and the tests name them by.
inline constexpr const char* kPngSizeCaption = "PNG at Size";
inline constexpr const char* kIconSizesCaption = "Icon with Sizes";
inline constexpr const char* kSheetCaption = "Contact Sheet";
// Control ids, for the tests that answer the dialogs.
enum SizeDialogId { kEdgeBox = 100, kWindowsSizes = 101, kFirstEdgeCheck = 110 };
// The edges "Icon with Sizes..." offers, smallest first.
inline constexpr int kOfferedIconEdges[] = {16, 20, 24, 32, 40, 48, 64, 96, 128, 256};

// Asks for the edge, starting from `edge`; none when cancelled.
std::optional<int> AskPngEdge(int edge);
// The same question for the icons of a contact sheet.
std::optional<int> AskSheetEdge(int edge);
// Asks for the edges, starting from `edges`; none when cancelled.
std::optional<std::vector<int>> AskIconEdges(const std::vector<int>& edges);
