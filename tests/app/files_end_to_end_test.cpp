// Runs the real `brivo` command on small real files made by other programs (ImageMagick,
// exiv2) and checks the results with those programs: exit status, message, inputs left as
// they were, no stray files, metadata carried over.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/command_runner.h"
#include "support/temp_dir.h"

namespace brivo {
namespace {

namespace fs = std::filesystem;
using test::CommandResult;

CommandResult shell(const std::string& script) {
    return test::runCommand("/bin/sh", {"-c", script});
}

std::string quoted(const fs::path& path) {
    std::string text = "'";
    text += path.string();
    text += '\'';
    return text;
}

bool toolsPresent() {
    return fs::exists("/usr/bin/convert") && fs::exists("/usr/bin/exiv2");
}

// One row of the table: files to make, the command's arguments (with {dir} standing for the
// folder), what it must answer, and what must hold afterwards.
struct Case {
    std::string name;
    std::string setup;  // shell commands run in the folder first
    std::string command;
    int exitStatus;
    std::string message;  // expected in stderr; empty for none
    std::string check;    // shell commands run in the folder after; must print "ok"
};

class FilesEndToEnd : public ::testing::TestWithParam<Case> {};

// The files every case can use: a 48 x 24 photograph with EXIF orientation 6, camera, date,
// copyright, XMP, IPTC and a comment; a PNG with gAMA, cHRM and text; a greyscale pattern.
constexpr const char* kCommonSetup =
    "convert -size 48x24 gradient:red-blue -quality 60 -sampling-factor 2x2 phone.jpg && "
    "exiv2 -M'set Exif.Image.Orientation 6' -M'set Exif.Image.Make Acme' "
    "-M'set Exif.Photo.DateTimeOriginal 2024:05:06 07:08:09' -M'set Exif.Image.Copyright Me' "
    "-M'set Exif.Photo.PixelXDimension 48' -M'set Exif.Photo.PixelYDimension 24' "
    "-M'set Xmp.dc.title Title' -M'set Iptc.Application2.Caption Caption' -c 'a comment' "
    "phone.jpg && "
    "convert -size 32x20 gradient:white-green -depth 8 -set comment 'png words' -define "
    "png:exclude-chunks=date,time "
    "plain.png && convert plain.png -gamma 0.8 -set gamma 0.6 "
    "-define png:include-chunk=gAMA,cHRM,tEXt looks.png && "
    "convert -size 16x16 gradient: -colorspace Gray -depth 8 grey-pattern.png && "
    "convert -size 16x16 gradient:red-blue -depth 8 rgb-pattern.png && "
    "mkdir -p out";

// Runs the case in a fresh folder and checks the common promises: the inputs' checksums, and
// no hidden temporary file left anywhere.
void runCase(const Case& c) {
    test::TempDir dir;
    const std::string at = "cd " + quoted(dir.path()) + " && ";
    CommandResult made = shell(at + kCommonSetup + (c.setup.empty() ? "" : " && " + c.setup));
    ASSERT_EQ(made.exitStatus, 0) << made.err;
    // Checksums of every input made, taken after the case's own setup.
    shell(at + "sha256sum $(find . -maxdepth 1 -type f ! -name '.sums') > .sums");

    // {brivo} stands for the program under test.
    std::string command;
    const std::string placeholder = "{brivo}";
    size_t from = 0;
    for (size_t found; (found = c.command.find(placeholder, from)) != std::string::npos;
         from = found + placeholder.size())
        command += c.command.substr(from, found - from) + BRIVO_APP_PATH;
    command += c.command.substr(from);
    const CommandResult run = shell(at + command);
    EXPECT_EQ(run.exitStatus, c.exitStatus) << c.name << "\n" << run.err;
    if (!c.message.empty()) {
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.name << ": " << run.err;
    }

    const CommandResult sums = shell(at + "sha256sum --quiet -c .sums");
    EXPECT_EQ(sums.exitStatus, 0) << c.name << ": an input changed\n" << sums.out;
    const CommandResult stray = shell(at + "find . -name '.*' ! -name .sums ! -name .");
    EXPECT_EQ(stray.out, "") << c.name << ": temporary files left behind";
    if (!c.check.empty()) {
        const CommandResult checked = shell(at + c.check);
        EXPECT_EQ(checked.out, "ok\n") << c.name << ": " << c.check << "\n" << checked.err;
    }
}

TEST_P(FilesEndToEnd, KeepsEveryPromise) {
    if (!toolsPresent()) GTEST_SKIP() << "ImageMagick and exiv2 are needed";
    runCase(GetParam());
}

// `test "$(CMD)" = VALUE && echo ok`, quoted for the shell.
std::string expect(const std::string& command, const std::string& value) {
    return "test \"$(" + command + ")\" = '" + value + "' && echo ok";
}

const Case kCases[] = {
    // Orientation and metadata.
    {"phone JPEG comes out upright with its metadata", "", "{brivo} apply phone.jpg -o out/lit.jpg",
     0, "",
     expect("identify -format '%w %h ' out/lit.jpg; for k in Image.Orientation Image.Make "
            "Image.Copyright Photo.DateTimeOriginal Photo.PixelXDimension; do exiv2 -K Exif.$k "
            "-Pv out/lit.jpg; done | tr '\\n' ' '; exiv2 -pc out/lit.jpg",
            "24 48 1 Acme Me 2024:05:06 07:08:09 24 a comment")},
    {"XMP and IPTC survive into JPEG, PNG and TIFF", "",
     "{brivo} apply phone.jpg -o out/a.jpg && {brivo} apply phone.jpg -o out/a.png && "
     "{brivo} apply phone.jpg -o out/a.tif",
     0, "",
     expect("for f in out/a.jpg out/a.png out/a.tif; do for k in Xmp.dc.title "
            "Iptc.Application2.Caption Exif.Image.Make; do exiv2 -K $k -Pv $f; done; done | tr "
            "'\\n' ' '",
            "lang=\"x-default\" Title Caption Acme lang=\"x-default\" Title Caption Acme "
            "lang=\"x-default\" Title Caption Acme ")},
    {"--keep-orientation keeps the stored pixels and orientation", "",
     "{brivo} apply phone.jpg -o out/kept.png --keep-orientation", 0, "",
     expect("identify -format '%w %h ' out/kept.png; exiv2 -K Exif.Image.Orientation -Pv "
            "out/kept.png",
            "48 24 6")},
    {"PNG colour and text chunks survive", "", "{brivo} apply looks.png -o out/looks.png", 0, "",
     expect("identify -verbose out/looks.png | grep -c -E 'Gamma: 0.6|Chromaticity:|comment: png "
            "words'",
            "3")},
    {"a multi-page TIFF is refused, not cut to one page", "convert plain.png plain.png pages.tif",
     "{brivo} apply pages.tif -o out/x.tif", 1, "2 pages", expect("ls out", "")},
    {"a TIFF's orientation is applied and written as top-left",
     "convert plain.png -type TrueColor -orient RightTop turned.tif",
     "{brivo} apply turned.tif -o out/t.tif && cat turned.tif | {brivo} apply - -o out/t.png", 0,
     "",
     expect("identify -format '%w %h %[orientation] ' out/t.tif out/t.png",
            "20 32 TopLeft 20 32 Undefined ")},
    // Quality.
    {"JPEG quality and sampling follow the input", "", "{brivo} apply phone.jpg -o out/q.jpg", 0,
     "", expect("identify -format '%Q %[jpeg:sampling-factor]' out/q.jpg", "60 2x2,1x1,1x1")},
    {"--quality overrides", "", "{brivo} apply phone.jpg -o out/q.jpg --quality +35", 0, "",
     expect("identify -format '%Q' out/q.jpg", "35")},
    // Never destroy a file.
    {"--record over the input is refused", "",
     "{brivo} apply phone.jpg -o out/a.png --record phone.jpg", 1, "the same file as the input",
     expect("ls out", "")},
    {"-o through a hard link to the input is refused", "ln phone.jpg out/link.jpg",
     "{brivo} apply phone.jpg -o out/link.jpg", 1, "the same file as the input", ""},
    {"-o through a symbolic link to the input is refused", "ln -s ../phone.jpg out/sym.jpg",
     "{brivo} apply phone.jpg -o out/sym.jpg", 1, "the same file as the input", ""},
    {"--record over the replayed action is refused",
     "printf '{\"format\": \"brivo-action\", \"version\": 1, \"items\": []}' > act.json",
     "{brivo} apply phone.jpg -o out/a.png --action act.json --record act.json", 1,
     "the same file as the action", expect("ls out", "")},
    {"--record over the preset is refused", "echo '{}' > p.json",
     "{brivo} apply phone.jpg -o out/a.png --preset p.json --record p.json", 1,
     "the same file as the preset", expect("ls out", "")},
    {"--record over the output is refused", "",
     "{brivo} apply phone.jpg -o out/a.json.png --record ./out/../out/a.json.png", 1,
     "the same file as the output", expect("ls out", "")},
    {"a missing output folder is found before work", "", "{brivo} apply phone.jpg -o no/a.png", 1,
     "does not exist", ""},
    {"an output that is a folder is refused", "mkdir out/d.png",
     "{brivo} apply phone.jpg -o out/d.png", 1, "is a folder", expect("ls out", "d.png")},
    {"CMYK to PNG is refused before filtering", "convert plain.png -colorspace CMYK cmyk.jpg",
     "{brivo} apply cmyk.jpg -o out/c.png -v", 1, "PNG cannot hold CMYK", expect("ls out", "")},
    {"a record is written only with the image", "convert plain.png -colorspace CMYK cmyk.jpg",
     "{brivo} apply cmyk.jpg -o out/c.png --record out/r.json", 1, "PNG cannot hold CMYK",
     expect("ls out", "")},
    {"a very long output name works", "",
     "{brivo} apply plain.png -o out/$(printf 'n%.0s' $(seq 1 245)).png", 0, "",
     expect("ls out | wc -c", "250")},
    // Never silent.
    {"a missing pattern warns", "", "{brivo} apply plain.png -o out/p.png --set shapeFile=nope.png",
     0, "warning: pattern not used: cannot open", expect("ls out", "p.png")},
    {"an RGB pattern warns and fails under --strict", "",
     "{brivo} apply plain.png -o out/p.png --set shapeFile=rgb-pattern.png --strict", 1,
     "pattern not used: ", expect("ls out", "")},
    {"a truncated JPEG is an error", "head -c 600 phone.jpg > cut.jpg",
     "{brivo} apply cut.jpg -o out/c.png", 1, "cut.jpg", expect("ls out", "")},
    {"damaged JPEG data warns, and fails under --strict",
     "python3 -c \"d=bytearray(open('phone.jpg','rb').read()); n=len(d); "
     "d[n-40:n-30]=b'\\\\xff\\\\x00'*5; open('bad.jpg','wb').write(d)\"",
     "{brivo} apply bad.jpg -o out/b.png; echo $? > out/status; {brivo} apply bad.jpg -o "
     "out/c.png --strict",
     1, "warning: bad.jpg: damaged JPEG data",
     expect("cat out/status; ls out", "0\nb.png\nstatus")},
    {"an empty --rect is a usage error", "", "{brivo} apply plain.png -o out/a.png --rect 5,5,5,9",
     2, "empty or inverted", expect("ls out", "")},
    {"an inverted --rect is a usage error", "",
     "{brivo} apply plain.png -o out/a.png --rect 9,0,2,9", 2, "empty or inverted", ""},
    {"a preset that is a folder says so", "mkdir p.json",
     "{brivo} apply plain.png -o out/a.png --preset p.json", 1, "preset p.json is a folder",
     expect("ls out", "")},
    {"a number too large names the preset and the field",
     "echo '{\"lightBrightness\": 1e999}' > p.json",
     "{brivo} apply plain.png -o out/a.png --preset p.json", 1,
     "preset p.json: not valid JSON at the field \"lightBrightness\"", ""},
    {"an endless preset is cut short", "",
     "{brivo} apply plain.png -o out/a.png --preset /dev/zero", 1,
     "preset /dev/zero is larger than 4 MiB", ""},
    {"a NUL in an action's path names the action",
     "printf '{\"format\": \"brivo-action\", \"version\": 1, \"items\": [{\"key\": "
     "\"sNam\", \"type\": \"text\", \"value\": \"a\\\\u0000b\"}]}' > nul.json",
     "{brivo} apply plain.png -o out/a.png --action nul.json", 1,
     "action nul.json: shapeFile: the path contains a NUL character", expect("ls out", "")},
    // A signal that comes before the program has set up its handlers (a slow start, under
    // the sanitizers say) ends it with 143 before any file exists.
    {"Ctrl-C or SIGTERM at any moment leaves nothing half-made",
     "convert -size 3000x2000 gradient: -depth 8 big.png",
     "for d in 0.02 0.08 0.15 0.25; do rm -f out/b.png; {brivo} apply big.png -o out/b.png & "
     "sleep $d; kill -TERM $! 2>/dev/null; wait $!; s=$?; if { [ $s = 130 ] && [ ! -e out/b.png "
     "]; } || { [ $s = 143 ] && [ ! -e out/b.png ]; } || { [ $s = 0 ] && [ -e out/b.png ]; }; "
     "then echo whole; else echo broken $s; fi >> "
     "out/status; done",
     0, "", expect("sort -u out/status", "whole")},
    // Bounded resources.
    {"a size limit refuses large inputs up front", "",
     "{brivo} apply plain.png -o out/a.png --max-megapixels 0.0001", 1, "above the limit", ""},
    {"a tiny PNG claiming 16384 x 16384 costs only what it holds",
     "python3 -c \"import zlib,struct\n"
     "def c(t,d): return struct.pack('>I',len(d))+t+d+struct.pack('>I',zlib.crc32(t+d))\n"
     "open('huge.png','wb').write(b'\\\\x89PNG\\\\r\\\\n\\\\x1a\\\\n'+c(b'IHDR',struct.pack('>"
     "IIBBBBB',"
     "16384,16384,8,6,0,0,0))+c(b'IDAT',zlib.compress(bytes(4*16384+1)*2)))\"",
     "ldd {brivo} | grep -q libasan || ulimit -v 1500000; {brivo} apply huge.png -o out/h.png "
     "--max-megapixels 300",
     1, "truncated PNG data", expect("ls out", "")},
    {"a tiny TIFF claiming 10000 x 10000 costs only what it holds",
     "python3 -c \"import struct\n"
     "e=[(256,4,10000),(257,4,10000),(258,3,8),(259,3,1),(262,3,1),(273,4,200),(277,3,1),"
     "(278,4,10000),(279,4,100000000)]\n"
     "d=struct.pack('<H',len(e))+b''.join(struct.pack('<HHII',t,y,1,v) if y==4 else "
     "struct.pack('<HHIHH',t,y,1,v,0) for t,y,v in e)+bytes(4)\n"
     "open('huge.tif','wb').write(b'II'+struct.pack('<HI',42,8)+d)\"",
     "ldd {brivo} | grep -q libasan || ulimit -v 1000000; {brivo} apply huge.tif -o out/h.png", 1,
     "truncated TIFF data", expect("ls out", "")},
    // Standard streams and the command line.
    {"- reads standard input and writes standard output", "",
     "cat plain.png | {brivo} apply - -o - --format jpeg > out/piped.jpg", 0, "",
     expect("identify -format '%m %w' out/piped.jpg", "JPEG 32")},
    {"standard output needs a format", "", "{brivo} apply plain.png -o - > out/x", 1, "--format",
     ""},
    {"a parse error is exit status 2", "", "{brivo} apply plain.png -o out/a.png --bogus", 2,
     "--bogus", ""},
    {"--view speaks our words", "", "{brivo} apply plain.png -o out/a.png --view Bright", 2,
     "\"Bright\" is not one of output, matte, shape, original", ""},
    {"help and version", "", "{brivo} help apply > out/help && {brivo} --version > out/version", 0,
     "",
     expect(
         "grep -c -E -- '--strict|--max-megapixels|--quality' out/help; cut -d' ' -f1 out/version",
         "3\nbrivo")},
};

INSTANTIATE_TEST_SUITE_P(Table, FilesEndToEnd, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string name;
                             for (char c : info.param.name)
                                 if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                             return name;
                         });

}  // namespace
}  // namespace brivo
