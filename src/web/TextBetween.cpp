#include "text/Primitives.h"
#include "web/UpdateCheck.h"

namespace avatrix::web {

Text TextBetween(const Text& text, const Text& begin, const Text& end) {
    const int at = FindText(text, begin);
    if (at <= 0) {
        return Text();
    }
    const Text rest = RightText(text, TextLength(text) - (at - 1) - TextLength(begin));
    const int stop = FindText(rest, end);
    if (stop <= 0) {
        return Text();
    }
    return LeftText(rest, stop - 1);
}

}  // namespace avatrix::web
