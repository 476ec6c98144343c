// A deterministic corpus of address lines for the benchmarks: mostly valid addresses of common shapes, and
// the ways real lists go wrong (no at sign, spaces, bad final label, leading dots, trailing junk, GBK bytes).
#pragma once

#include <random>
#include <string>
#include <vector>

namespace bench {

inline std::vector<std::string> MakeEmailCorpus(size_t nLines, unsigned nSeed = 20261207) {
    static const char* const kNames[] = {"john", "mary",  "wei",   "li",       "zhang",  "wang",    "chen",    "liu",
                                         "anna", "peter", "sales", "info",     "admin",  "support", "service", "hr",
                                         "jack", "lucy",  "tom",   "xiaoming", "dragon", "sunny",   "happy",   "news"};
    static const char* const kDomains[] = {"example", "qq",      "163",   "126",     "sina",    "sohu",
                                           "gmail",   "hotmail", "yahoo", "aliyun",  "mail",    "corp-mail",
                                           "foxmail", "tom",     "21cn",  "company", "my_host", "shop-online"};
    static const char* const kTlds[] = {"com",  "net", "org",    "cn",  "com.cn", "net.cn", "co.uk",
                                        "info", "edu", "gov.cn", "biz", "de",     "jp",     "museum"};
    std::mt19937 random(nSeed);
    auto pick = [&](auto& list) { return std::string(list[random() % std::size(list)]); };
    auto number = [&](int nMax) { return std::to_string(random() % static_cast<unsigned>(nMax)); };

    auto validAddress = [&]() {
        std::string local;
        switch (random() % 6) {
        case 0:
            local = pick(kNames) + "." + pick(kNames);
            break;
        case 1:
            local = pick(kNames) + number(10000);
            break;
        case 2:
            local = pick(kNames) + "_" + pick(kNames) + number(100);
            break;
        case 3:
            local = pick(kNames) + "-" + pick(kNames);
            break;
        case 4:
            local = number(1000000000) + "1";
            break; // numeric mailbox names are common
        default:
            local = pick(kNames);
            break;
        }
        std::string domain = pick(kDomains);
        if (random() % 4 == 0) domain = pick(kNames) + "." + domain;
        return local + "@" + domain + "." + pick(kTlds);
    };

    std::vector<std::string> lines;
    lines.reserve(nLines);
    for (size_t i = 0; i < nLines; ++i) {
        std::string line = validAddress();
        if (random() % 10 < 3) {
            const size_t at = line.find('@');
            switch (random() % 8) {
            case 0:
                line.erase(at, 1);
                break; // no at sign
            case 1:
                line.insert(random() % line.size(), " ");
                break; // a space
            case 2:
                line += "x" + number(10);
                break; // final label with a digit
            case 3:
                line = line.substr(0, line.rfind('.') + 1) + "abcdefghij";
                break; // final label too long
            case 4:
                line.insert(random() % 2 ? 0 : at + 1, ".");
                break; // leading dot
            case 5:
                line += random() % 2 ? "." : ">;";
                break; // trailing junk
            case 6:
                line.replace(0, at, "\xd5\xc5\xc8\xfd");
                break; // GBK name before the at sign
            default:
                line.insert(at + 1, "\xc0\xfd\xd7\xd3.");
                break; // GBK label
            }
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace bench
