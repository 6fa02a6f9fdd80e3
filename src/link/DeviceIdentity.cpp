#include "DeviceIdentity.h"

#include <algorithm>

const TModelList N3Family = {"Dev: N3", "Dev: W3", "Dev: N32", "Dev: W32"};
const TModelList N05List = {"Dev: N05"};
const TModelList N20Family = {"Dev: N20",  "Dev: W20",  "Dev: N20C",  "Dev: N20D",
                              "Dev: N20F", "Dev: NF20", "Dev: N20_3G"};
const TModelList N20CList = {"Dev: N20C"};
const TModelList NF20List = {"Dev: NF20"};
const TModelList N20_3GList = {"Dev: N20_3G"};

bool StartsWithAny(const std::string& text, const TModelList& list) {
    return std::any_of(list.begin(), list.end(), [&](const std::string& entry) {
        return text.size() >= entry.size() && text.compare(0, entry.size(), entry) == 0;
    });
}

bool IsN20D(const std::string& model) {
    return model == "Dev: N20D";
}

bool IsN20F(const std::string& model) {
    return model == "Dev: N20F";
}

bool VersionBefore(const std::string& a, const std::string& b) {
    // Explicitly unsigned: a version text may hold bytes above 0x7F, which must
    // sort after every ASCII byte whatever the signedness of char.
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
}

bool VersionEquals(const std::string& a, const std::string& b) {
    return a == b;
}
