#include "Rules/ProjectRule.h"

#include <stdexcept>

namespace ostrel {

void to_json(nlohmann::ordered_json& json, const ProjectRule& rule) {
    json = nlohmann::ordered_json{{"id", rule.id.string()}, {"name", rule.name}, {"keywords", rule.keywords}};
}

void from_json(const nlohmann::ordered_json& json, ProjectRule& rule) {
    const auto idText = json.at("id").get<std::string>();
    const auto id = UUID::parse(idText);
    if (!id) {
        throw std::invalid_argument("Project rule id is not a UUID: \"" + idText + "\"");
    }
    auto name = json.at("name").get<std::string>();
    auto keywords = json.at("keywords").get<std::vector<std::string>>();
    rule = ProjectRule{*id, std::move(name), std::move(keywords)};
}

} // namespace ostrel
