// The parameter record: every setting of the effect, kept by the host between calls in
// its parameters handle, so it is a flat, fixed-size value with no pointers.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

namespace brivo {

enum class LightBlendMode : int32_t { Add, Subtract, Screen };
enum class LightSource : int32_t { Image, Matte };
enum class MatteChannel : int32_t {
    Luminance,
    Red,
    Green,
    Blue,
    Cyan,
    Magenta,
    Yellow,
    Hue,
    Saturation
};
enum class ShapeBlendMode : int32_t {
    None,
    Only,
    Add,
    Subtract,
    Multiply,
    Screen,
    Difference,
    Darken,
    Lighten
};

// A NUL-terminated path of at most 299 bytes in a 300-byte field.
class ShapePath {
  public:
    static constexpr size_t kCapacity = 300;
    static constexpr size_t kMaxLength = kCapacity - 1;
    static constexpr char kSeparator = '/';

    ShapePath() { std::memset(text_, 0, sizeof text_); }
    ShapePath(const ShapePath&) = default;
    ShapePath& operator=(const ShapePath&) = default;

    // Copies text and its terminator. An empty text leaves the path as it was; a text
    // longer than the field holds is refused (returns false) rather than cut to
    // another file's name.
    bool assign(std::string_view text);
    bool operator==(const ShapePath& other) const;
    bool isEmpty() const { return text_[0] == 0; }
    // Appends one separator and name; false (path unchanged) if it would not fit.
    bool appendComponent(std::string_view name);
    // Cuts the text at its last separator (the separator and what follows go).
    void cutToDirectory();
    // The text after the last separator.
    std::string_view lastComponent() const;
    const char* c_str() const { return text_; }
    size_t length() const { return strnlen(text_, kCapacity); }
    // Makes a block read from host memory safe: the text ends within the field.
    void terminate() { text_[kMaxLength] = 0; }

  private:
    char text_[kCapacity];
};

struct CornerPoint {
    double x;
    double y;
    bool operator==(const CornerPoint&) const = default;
};

// Corners upper-left, upper-right, lower-right, lower-left, in units of the image size.
inline constexpr CornerPoint kDefaultCornerPin[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

struct FilterParameters {
    int32_t lightBlendMode;  // LightBlendMode index
    int32_t lightSource;     // LightSource index
    double lightBrightness;
    double lightDisplacement;
    double lightBlur;
    uint16_t lightColor[3];  // X, Y, Z; 32768 is the reference white's component
    int32_t matteChannel;    // MatteChannel index
    double mattePosition;
    double matteRange;
    double matteBlur;
    int32_t shapeBlendMode;  // ShapeBlendMode index
    ShapePath shapeFile;
    double shapeOpacity;
    double shapeBlurX;
    double shapeBlurY;
    double shapePosX;
    double shapePosY;
    double shapeScaleX;
    double shapeScaleY;
    double shapeRotate;
    CornerPoint cornerPin[4];

    FilterParameters() { resetToDefaults(); }
    FilterParameters(const FilterParameters&) = default;
    FilterParameters& operator=(const FilterParameters&) = default;

    void resetToDefaults();
    bool isCornerPinModified() const;
    // Repairs a record that came from host memory: terminates the path and takes the
    // default for an enumeration outside its table.
    void makeSafe();

    LightBlendMode blendMode() const { return static_cast<LightBlendMode>(lightBlendMode); }
    LightSource source() const { return static_cast<LightSource>(lightSource); }
    MatteChannel channel() const { return static_cast<MatteChannel>(matteChannel); }
    ShapeBlendMode shapeMode() const { return static_cast<ShapeBlendMode>(shapeBlendMode); }
};

// The record lives in host memory and is copied byte for byte.
static_assert(std::is_trivially_copyable_v<FilterParameters>);
static_assert(std::is_standard_layout_v<FilterParameters>);

}  // namespace brivo
