#include "web/RequestHeaders.h"

#include "text/Primitives.h"

namespace avatrix::web {

namespace {

constexpr char kAcceptLine[] =
    "Accept: image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
    "application/msword, */*\r\n";
constexpr char kLanguageLine[] = "Accept-Language: zh-cn\r\n";
constexpr char kFormTypeLine[] = "Content-Type: application/x-www-form-urlencoded\r\n";

bool Contains(const Text& text, const char* sought) {
    return FindText(text, Text(sought), 1, true) > 0;
}

bool IsTokenByte(unsigned char c) {
    return c > 0x20 && c < 0x7F && c != ':';
}

std::string_view NameOf(std::string_view line) {
    const std::size_t colon = line.find(':');
    return colon == std::string_view::npos ? std::string_view() : line.substr(0, colon);
}

}  // namespace

Text BuildHeaderText(const Text& headers, const Text& normalizedUrl, bool post, const ByteSet& body,
                     const Text& cookies) {
    Text text = headers;
    if (!Contains(text, "Accept")) {
        text += Text(kAcceptLine);
    }
    if (Contains(text, "RefererNo")) {
        if (const int marker = FindText(text, Text("RefererNo")); marker > 0) {
            text = ReplaceSpan(text, marker, 9);
        }
    } else if (!Contains(text, "Referer")) {
        text += Text("Referer: ") + normalizedUrl + Text("\r\n");
    }
    if (!Contains(text, "Accept-Language")) {
        text += Text(kLanguageLine);
    }
    if (post && !body.empty()) {
        if (!Contains(text, "Content-Type")) {
            text += Text(kFormTypeLine);
        }
        if (!Contains(text, "Content-Length")) {
            text += Text("Content-Length: ") + ToText(BytesLength(body)) + Text("\r\n");
        }
        if (!cookies.empty()) {
            text += Text("Cookie: ") + cookies + Text("\r\n\r\n");
        }
    }
    return text;
}

std::vector<std::string> SplitHeaderLines(const Text& headerText) {
    std::vector<std::string> lines;
    std::string_view rest = headerText.view();
    while (!rest.empty()) {
        // A lone CR ends a line as well: no line sent may carry one.
        const std::size_t end = rest.find_first_of("\r\n");
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const std::string_view name = NameOf(line);
        bool valid = !name.empty();
        for (char c : name) {
            valid = valid && IsTokenByte(static_cast<unsigned char>(c));
        }
        if (valid) {
            lines.emplace_back(line);
        }
    }
    return lines;
}

void DropHeaderLines(std::vector<std::string>& lines,
                     std::initializer_list<std::string_view> names) {
    std::erase_if(lines, [&](const std::string& line) {
        for (std::string_view name : names) {
            if (EqualIgnoringAsciiCase(NameOf(line), name)) {
                return true;
            }
        }
        return false;
    });
}

detail::HeaderList BuildHeaderList(const std::vector<std::string>& lines, bool post) {
    detail::HeaderList list;
    for (const std::string& line : lines) {
        const std::size_t colon = line.find(':');
        const bool emptyValue = line.find_first_not_of(' ', colon + 1) == std::string::npos;
        // libcurl reads "Name:" as "do not send Name"; "Name;" sends it empty.
        detail::AppendLine(list, emptyValue ? line.substr(0, colon) + ";" : line);
    }
    // Only what the header text holds goes out: no Accept, form type or
    // Expect line of libcurl's own.
    detail::AppendLine(list, "Accept:");
    detail::AppendLine(list, "Expect:");
    if (post) {
        detail::AppendLine(list, "Content-Type:");
    }
    return list;
}

}  // namespace avatrix::web
