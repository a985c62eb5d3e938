#include "core/query.h"

#include <utility>

#include "core/datetime.h"

namespace norvique {

Text lastPageText;

void OnQueryClicked() {
    // Each temporary lives only as long as the step that consumes it: the
    // address and the body are gone before the page text is searched.
    Text pageText;
    {
        Bytes body;
        {
            const Text address = ReadControlText(Control::编辑框1);
            body = FetchPage(address);
        }
        pageText = BytesToText(std::move(body));
    }
    // Replaced before the search, so it changes on every query, found or not.
    lastPageText = std::move(pageText);

    const EndTime endTime = ExtractEndTime(lastPageText);
    if (!endTime.found) {
        ShowMessage(Text(kCheckAddressMessage));
        return;
    }
    WriteControlText(Control::编辑框2, EndTimeText(endTime.seconds));
}

void OnClearClicked() {
    WriteControlText(Control::编辑框1, Text());
    WriteControlText(Control::编辑框2, Text());
}

}  // namespace norvique
