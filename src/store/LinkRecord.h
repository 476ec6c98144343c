// One sponsor link (a row of Links) in memory.
#pragma once

#include <cstdint>
#include <string>

struct LinkRecord {
    std::int32_t id = 0; // position of the record in the server's link file, from 0
    std::string site;    // the text shown in the link list
    std::string url;     // the address opened when the link is chosen

    bool operator==(const LinkRecord&) const = default;
};
