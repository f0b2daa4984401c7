// ovstdctlcore: the plain rules of the program's edit controls: the number
// filter, text-to-number reading and the field-walking decision.
#pragma once

#include <string>

// Deletes all but digits and the last ".", and puts "-" in front when the
// text held one anywhere and minus is allowed.
std::string FilterNumberText(const std::string& text, bool allowMinus);

// The text read as a number ("." is the decimal separator whatever the
// locale, since the number edit keeps only "."), or the default.
long double TextToFloatDef(const std::string& text, long double def);

// A number rounded to the nearest integer, halves to the even neighbour,
// held within the integer range.
int RoundToInteger(long double value);

// The text SetInteger leaves: an empty edit stays empty for 0.
std::string IntegerText(const std::string& current, int value);

// True when the text is empty once blanks and control characters are cut
// from both ends.
bool IsBlankText(const std::string& text);

enum class TFocusMove { None, Previous, Next };
enum class TArrowKey { Left, Right, Up, Down };

// Where the caret stands in an edit field.
struct TCaretPlace {
  int Position = 0;
  int Length = 0;
  bool HasSelection = false;
};

// An arrow key in an edit: Left at the start without a selection and Up go
// back; Right after the last character and Down go on.
TFocusMove EditArrowMove(TArrowKey key, const TCaretPlace& caret);
// An arrow key in a combo box: Up and Down keep their list meaning; a
// drop-down list walks on Left and Right wherever the caret stands.
TFocusMove ComboArrowMove(TArrowKey key, bool dropDownList, const TCaretPlace& caret);
