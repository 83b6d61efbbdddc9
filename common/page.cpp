#include "page.h"

#include <cerrno>
#include <cstring>

#include "console.h"
#include "language.h"
#include "output_file.h"
#include "page_messages.h"

namespace page {

namespace {

const char kTemplate[] =
#include "page_template.inc"
    ;

// Every `from` in `s` replaced by `to`.
void replaceAll(std::string& s, const char* from, const char* to) {
  size_t n = std::strlen(from), m = std::strlen(to);
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + m)) {
    s.replace(at, n, to);
  }
}

}  // namespace

std::string scriptJson(const Json& data) {
  std::string json = data.dump(-1, ' ', false, Json::error_handler_t::replace);
  // Outside strings JSON holds none of these: escaped, no text inside the
  // data can end its script element or open a comment in it.
  replaceAll(json, "&", "\\u0026");
  replaceAll(json, "<", "\\u003c");
  replaceAll(json, ">", "\\u003e");
  replaceAll(json, "\xE2\x80\xA8", "\\u2028");
  replaceAll(json, "\xE2\x80\xA9", "\\u2029");
  return json;
}

std::string text(const Json& data) {
  std::string json = scriptJson(data);
  std::string page = kTemplate;
  size_t lang = page.find("@LANG@");
  page.replace(lang, 6, englishTexts() ? "en" : "ja");
  size_t at = page.find("@DATA@");
  page.replace(at, 6, json);
  return page;
}

Json labels() {
  return {{"timeline", msg::kPageTimeline},
          {"totals", msg::kPageTotals},
          {"titleTape", msg::kPageTitleTape},
          {"titleDate", msg::kPageTitleDate},
          {"titleBoth", msg::kPageTitleBoth}};
}

void PageFile::write(Json data, const Json& pageLabels, bool say) {
  Json all = labels();
  all.update(pageLabels);
  data["labels"] = all;
  StagedFile file;
  errno = 0;
  if (!file.writeWhole(target.c_str(), text(data))) {
    if (say) printStderr(msg::kPageWriteFailed, own.c_str(), std::strerror(errno ? errno : EIO));
    return;
  }
  if (file.refusal() != 0) {
    refused = file.refusal();
    target = file.name();
  }
  if (refused != 0 && say) {
    printStderr(msg::kPageElsewhere, own.c_str(), std::strerror(refused), target.c_str());
  }
}

}  // namespace page
