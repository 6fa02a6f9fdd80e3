#pragma once
// Model and firmware version rules. A device names itself with a model text
// ("Dev: N20D") and a version text ("Ver: 1.22"); every model or version decision
// of the tool compares those texts with the constants below by these rules. The
// texts are never parsed into numbers.

#include <string>
#include <vector>

using TModelList = std::vector<std::string>;

// The model lists, each entry a complete model text, in the order they are tried.
extern const TModelList N3Family; // "Dev: N3", "Dev: W3", "Dev: N32", "Dev: W32"
extern const TModelList N05List;  // "Dev: N05"
extern const TModelList
    N20Family; // "Dev: N20", "Dev: W20", "Dev: N20C", "Dev: N20D", "Dev: N20F", "Dev: NF20", "Dev: N20_3G"
extern const TModelList N20CList;   // "Dev: N20C"
extern const TModelList NF20List;   // "Dev: NF20"
extern const TModelList N20_3GList; // "Dev: N20_3G"

// True when the text begins with at least one entry of the list (case-sensitive
// prefix test: "Dev: N20" admits "Dev: N20D" and any other "Dev: N20..." text).
bool StartsWithAny(const std::string& text, const TModelList& list);

// Exact model tests: the whole text, case-sensitive.
bool IsN20D(const std::string& model);
bool IsN20F(const std::string& model);

// Byte-wise order of version texts: the first differing byte decides, each byte
// taken as unsigned; a prefix sorts first. "Ver: 1.3" sorts after "Ver: 1.27",
// "Ver: 1.100" before "Ver: 1.22", and the empty text before everything.
bool VersionBefore(const std::string& a, const std::string& b);
// The whole text, exactly.
bool VersionEquals(const std::string& a, const std::string& b);

// The version texts the tool's rules name.
inline const std::string kVersion112 = "Ver: 1.12";
inline const std::string kVersion122 = "Ver: 1.22";
inline const std::string kVersion127 = "Ver: 1.27";
