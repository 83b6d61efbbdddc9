// COLLECTION.html: the document embedded in the page's template, with the
// labels and verdicts in the language in use.
#include "collection_messages.h"
#include "language.h"
#include "outputs.h"
#include "page.h"

namespace collection {

namespace {

const char kTemplate[] =
#include "collection_page.inc"
    ;

Json labels() {
  return {{"title", msg::kCollectionPageTitle},
          {"tape", msg::kCollectionPageTape},
          {"path", msg::kCollectionPagePath},
          {"verdict", msg::kCollectionPageVerdict},
          {"captured", msg::kCollectionPageCaptured},
          {"frames", msg::kCollectionPageFrames},
          {"unread", msg::kCollectionPageUnread},
          {"merge", msg::kCollectionPageMerge},
          {"files", msg::kCollectionPageFiles},
          {"duration", msg::kCollectionPageDuration},
          {"gaps", msg::kCollectionPageGaps},
          {"discontinuities", msg::kCollectionPageDiscontinuities},
          {"events", msg::kCollectionPageEvents},
          {"changed", msg::kCollectionPageChanged},
          {"bar", msg::kCollectionPageBar},
          {"read", msg::kCollectionPageRead},
          {"lost", msg::kCollectionPageLost},
          {"converted", msg::kCollectionPageConverted},
          {"hint", msg::kCollectionPageSortHint},
          {"made", msg::kCollectionPageMade}};
}

}  // namespace

std::string pageText(const Json& document) {
  Json verdicts = Json::object();
  for (const std::string& v : verdictCodes()) verdicts[v] = verdictWord(v);
  Json data = {{"collection", document}, {"labels", labels()}, {"verdicts", verdicts}};
  std::string page = kTemplate;
  page.replace(page.find("@LANG@"), 6, englishTexts() ? "en" : "ja");
  page.replace(page.find("@DATA@"), 6, page::scriptJson(data));
  return page;
}

}  // namespace collection
