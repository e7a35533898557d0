#include "cli/CommandLine.h"

namespace avatrix::cli {

QString HelpText() {
    return QString::fromUtf8(R"(Usage: avatrix-render PICTURE -t TEXT -o OUT [options]
       avatrix-render --batch JOBS --out-dir DIR [options]

Draws Avatrix's text avatar without a screen: the picture in the 184 x 184
avatar box with the banner strip and its text over it, exactly as the Avatrix
window draws it. OUT ends in .png, .jpg (or .jpeg) or .bmp; a .bmp file holds
the same 16-bit bytes as Avatrix's "保存头像".

One avatar:
  PICTURE                 JPEG, PNG, BMP or GIF picture
  -t, --text TEXT         the banner's text (UTF-8; empty by default)
  -o, --output OUT        the file to write

Batches:
  --batch JOBS            a UTF-8 jobs file, one avatar a line (see below)
  --out-dir DIR           where the outputs go (made if missing)
  --format FORMAT         png (default), jpg or bmp, for outputs named
                          without one of those extensions
  -j, --jobs N            worker threads, 1 to 32 (default: one per processor)

The banner (defaults are Avatrix's own):
  --font FACE             font face (宋体, drawn with Noto Serif CJK SC)
  --size PT               point size, at 96 dots per inch (9)
  --bold, --italic, --underline, --strike
  --text-colour #RRGGBB   text colour (#000000)
  --strip-colour #RRGGBB  strip colour (#EFEFEF)
  --opacity 0-255         opacity of the strip and its text (255)
  --strip X,Y,W,H         the strip on the avatar (0,133,184,51: the bottom band)
  --label X,Y,W,H         the text area inside the strip (the whole strip)
  --fill                  scale the picture to cover the box, centred
                          (otherwise at natural size from the top-left
                          corner, repeated if smaller)
  --outline               a 2-pixel outline around the glyphs
  --shadow                a soft shadow 2 pixels right and down
  --scale N               device pixel ratio of the output, 0.25 to 8
                          (1; 2 gives 368 x 368)
  --quality 0-100         JPEG quality (90)

Other:
  --force                 replace outputs that already exist
  -h, --help              this text
  -V, --version           the version

Jobs file: one job a line, columns separated by tabs:
  PICTURE <tab> TEXT [<tab> OUT [<tab> NAME=VALUE ...]]
PICTURE is relative to the jobs file's folder. In TEXT, \n is a line break,
\t a tab and \\ a backslash. OUT is a file name inside DIR; left out or
empty, it is PICTURE's name with the format's extension. Every further column
sets one banner option of that line, named as above without the dashes:
  photos/ann.jpg<tab>安妮<tab>ann.png<tab>size=12<tab>bold=yes<tab>strip-colour=#FFFFFF
Switches take yes or no. Empty lines and lines starting with # are skipped.

Outputs that exist are left alone unless --force is given. Every output is
written to a temporary file first and takes its name only when complete; a
symbolic link is never written through, and no picture of the run is ever
replaced. A bad line or a picture that cannot be read is reported with its
line number and skipped; on a terminal a progress bar shows how far the batch
has come. Jobs files larger than 64 MB are refused.

Exit status: 0 when every avatar was written, 1 when some were not, 2 for bad
usage.
)");
}

}  // namespace avatrix::cli
