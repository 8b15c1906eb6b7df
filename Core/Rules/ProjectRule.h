#pragma once

#include "Storage/HashCombine.h"
#include "Support/UUID.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace ostrel {

// The user's rule: the project `name` for windows whose title or page address contains a keyword.
struct ProjectRule {
    UUID id;
    std::string name;
    std::vector<std::string> keywords;

    bool operator==(const ProjectRule&) const = default;
};

// The stored form, an object with "id" (upper-case UUID), "name" and "keywords" in that order; the
// settings keep a JSON array of them. Decoding accepts the id in either case and throws on a missing
// key, a value of the wrong type or an id that is no UUID.
void to_json(nlohmann::ordered_json& json, const ProjectRule& rule);
void from_json(const nlohmann::ordered_json& json, ProjectRule& rule);

} // namespace ostrel

template <> struct std::hash<ostrel::ProjectRule> {
    std::size_t operator()(const ostrel::ProjectRule& rule) const noexcept {
        std::size_t seed = ostrel::hashAll(rule.id, rule.name, rule.keywords.size());
        for (const auto& keyword : rule.keywords) {
            ostrel::hashCombine(seed, keyword);
        }
        return seed;
    }
};
