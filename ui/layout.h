#pragma once

#include <array>
#include <string_view>

namespace tessimor::layout {

// The window as designed, in twips.
inline constexpr int kTwipsPerPixel = 15;
inline constexpr int Pixels(int twips) {
  return twips / kTwipsPerPixel;
}

inline constexpr std::string_view kWindowTitle = "Tessimor EEPROM";
inline constexpr int kDesignWidth = 5925;
inline constexpr int kDesignHeight = 4080;
// Outer height at start where the window system tells its frame, client height where it does not.
inline constexpr int kStartOuterHeight = 2280;
inline constexpr int kStartClientHeight = 1890;

struct Control {
  std::string_view name;
  std::string_view caption;
  int left;
  int top;
  int width;
  int height;
  int tab_index;
};

inline constexpr Control kCmdRead{"cmdRead", "EEPROM -> File", 240, 240, 1575, 855, 4};
inline constexpr Control kCmdWrite{"cmdWrite", "File -> EEPROM", 2160, 240, 1575, 855, 10};
inline constexpr Control kCmdFF{"cmdFF", "$FF -> EEPROM", 4080, 240, 1575, 855, 7};
inline constexpr Control kLblStatus{"lblStatus", "", 120, 1320, 5655, 375, 9};

inline constexpr Control kCommand5{"Command5", "!", 480, 1920, 975, 495, 0};
inline constexpr Control kCommand6{"Command6", "$", 480, 2640, 975, 495, 1};
inline constexpr Control kCommand7{"Command7", "$0000", 1680, 2640, 855, 495, 2};
inline constexpr Control kCommand1{"Command1", "R", 480, 3360, 975, 495, 3};
inline constexpr Control kCommand3{"Command3", "W Byte", 2880, 1920, 975, 495, 5};
inline constexpr Control kCommand4{"Command4", "W Page", 2880, 2640, 975, 495, 6};
inline constexpr Control kCommand9{"Command9", "W Tessimor", 2880, 3360, 975, 495, 8};

inline constexpr std::string_view kMainFontFamily = "MS Sans Serif";
inline constexpr double kButtonPointSize = 9.75;
inline constexpr double kStatusPointSize = 12;

}  // namespace tessimor::layout
