// Where the skinned controls get the texts their IDs name: from whoever owns them, which sets
// the source once at start. The skin itself knows nothing of languages.
#pragma once

namespace skin {

using TextSource = const wchar_t* (*)(unsigned id);

void SetTextSource(TextSource source);
// The text of id from the source; null when there is none or no source is set.
const wchar_t* Text(unsigned id);

}  // namespace skin
