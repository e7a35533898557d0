#include "cli/Usage.h"

#include "avatrix/Version.h"

namespace avatrix::cli {

const char* HelpTextUtf8() {
    return R"(Usage: avatrix-render PICTURE -t TEXT -o OUT [options]
       avatrix-render -t NAME -o OUT [options]
       avatrix-render --batch JOBS --out-dir DIR [options]

Draws Avatrix's text avatar without a screen: the picture in the 184 x 184
avatar box with the banner strip and its text over it, drawn by the Avatrix
window's own painter; or, with no PICTURE, a name avatar: the text on a
plain or gradient background. OUT ends in .png, .jpg (or .jpeg), .bmp or
.svg; a .bmp file holds the same 16-bit bytes as Avatrix's "保存头像".

One avatar:
  PICTURE                 JPEG, PNG, BMP or GIF picture; left out for a
                          name avatar
  -t, --text TEXT         the banner's text, or the name (UTF-8)
  -o, --output OUT        the file to write

Batches:
  --batch JOBS            a UTF-8 jobs file, one avatar a line (see below)
  --out-dir DIR           where the outputs go (made if missing)
  --format FORMAT         png (default), jpg, bmp or svg, for outputs named
                          without one of those extensions
  -j, --jobs N            worker threads, 1 to 32 (default: one per processor)

The text:
  Without --label the text is centred in its space both ways (the strip, or
  a name avatar's whole face), as large as is comfortable, and shrunk to
  fit, never below 10 pixels; a text that cannot fit fails its avatar.
  Characters are drawn with the face asked for, and those it lacks with any
  installed face that has them (Arabic and Hebrew right to left, emoji in
  colour with Noto Color Emoji).
  --font FACE             font face (宋体, drawn with Noto Serif CJK SC); a
                          face that is not installed fails, naming near ones
  --size PT               point size at 96 dots per inch; given, it is kept
                          as it is, and a text too large for it fails
                          (with --label: 9, as in the Avatrix window)
  --bold, --italic, --underline, --strike
  --align left|centre|right
                          where the text lies across its space (centre)
  --initials              draw the name's initials: the first letters of its
                          first and last words in capitals, or, for one word
                          in Chinese, Japanese or Korean, its last two
                          characters (王小明 gives 小明)
  --text-colour COLOUR    text colour (#000000 on pictures, white on names)
  --outline               a 2-pixel outline around the glyphs
  --shadow                a soft shadow 2 pixels right and down
  --allow-missing-glyphs  draw characters no installed font has as empty
                          boxes instead of failing with their code points
                          (U+XXXX)
  --label X,Y,W,H         the text area inside the strip: the text is then
                          laid out as the Avatrix window lays it, one line
                          from the area's top-left corner at --size, pixel for
                          pixel (the window's own label is 0,0,208,24)

The banner on a picture (defaults are Avatrix's own):
  --strip-colour COLOUR   strip colour (#EFEFEF)
  --opacity 0-255         opacity of the strip and its text (255)
  --strip X,Y,W,H         the strip on the avatar (0,133,184,51: the bottom band)
  --fill                  scale the picture to cover the box, centred
                          (otherwise at natural size from the top-left
                          corner, repeated if smaller)

Name avatars (no PICTURE):
  --background COLOUR     the background (the name's own colour, below)
  --gradient COLOUR,COLOUR
                          a gradient from the top-left to the bottom-right
                          corner instead
  A name's own colour is one of 16, each readable under white text, picked by
  the FNV-1a hash (32 bits) of the text's UTF-8 bytes modulo 16: the same name
  has the same colour on every machine and in every version.

Every avatar:
  --shape circle|rounded|square
                          the outline; outside it PNG and SVG are
                          transparent (square; BMP and JPEG, which have no
                          transparency, take square only)
  --avatar-size PX        the output's side in pixels, 16 to 1024 (184); the
                          avatar is drawn at that size, and --strip and
                          --label stay in the coordinates of the 184-pixel box
  --scale N               device pixel ratio on top of that, 0.25 to 8 (1; 2
                          gives 368 x 368 by default)
  --quality 0-100         JPEG quality (90)
  Colours are #RGB, #RRGGBB, #AARRGGBB (alpha first) or an SVG/CSS colour
  name such as red or rebeccapurple.

Other:
  --force                 replace outputs that already exist
  -h, --help              this text
  -V, --version           the version

Jobs file: one job a line, columns separated by tabs:
  PICTURE <tab> TEXT [<tab> OUT [<tab> NAME=VALUE ...]]
PICTURE is relative to the jobs file's folder; empty, the line is a name
avatar and needs OUT. In TEXT, \n is a line break, \t a tab and \\ a
backslash. OUT is a file name inside DIR; left out or empty, it is PICTURE's
name with the format's extension. Every further column sets one option of
that line, named as above without the dashes:
  photos/ann.jpg<tab>安妮<tab>ann.png<tab>size=12<tab>bold=yes<tab>strip-colour=#FFFFFF
  <tab>Ada Lovelace<tab>ada.png<tab>initials<tab>shape=circle
Switches take yes or no. Empty lines and lines starting with # are skipped.

Outputs that exist are left alone unless --force is given. Every output is
written to a temporary file first and takes its name only when complete; a
symbolic link is never written through, and no picture of the run is ever
replaced. A bad line or a picture that cannot be read is reported with its
line number and skipped; on a terminal a progress bar shows how far the batch
has come. Jobs files larger than 64 MB are refused.

When single runs follow one another within 30 seconds (a script making one
avatar a call), the second starts a helper in the background that has the
toolkit and the fonts loaded, and later runs hand it their work: it draws
exactly what the run would, with the run's folder, streams and umask, one run
at a time, and ends after 60 seconds without one. Batches never use it.
AVATRIX_RENDER_SERVER=0 turns this off.

Exit status: 0 when every avatar was written, 1 when some were not, 2 for bad
usage.
)";
}

const char* VersionTextUtf8() {
    return "avatrix-render " AVATRIX_VERSION "\n";
}

}  // namespace avatrix::cli
