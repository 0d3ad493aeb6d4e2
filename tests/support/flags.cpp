// The reference semantics of flag diacritics.

#include "flags.h"

#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "label.h"

namespace kora_test {
namespace {

const kora::FLAG_DIACRITIC *flag_of(uint32_t symbol) {
  const kora::LABEL *label = kora::label_record(symbol);
  return label != nullptr && label->arity == 1 ? label->flag : nullptr;
}

bool of_attribute(const kora::FLAG_DIACRITIC *flag, uint32_t attribute) {
  return flag != nullptr && (attribute == kAllAttributes || flag->attribute == attribute);
}

// The content of an attribute: unset, or a value set positively or negatively.
struct Setting {
  bool positive;
  uint32_t value;
  auto operator<=>(const Setting &) const = default;
};
using Settings = std::map<uint32_t, Setting>;

std::optional<Setting> setting(const Settings &settings, uint32_t attribute) {
  auto found = settings.find(attribute);
  if (found == settings.end()) return std::nullopt;
  return found->second;
}

// One flag on the settings; false when it fails.
bool obey(Settings &settings, const kora::FLAG_DIACRITIC &flag) {
  using namespace kora;
  const uint32_t a = flag.attribute, v = flag.value;
  const std::optional<Setting> r = setting(settings, a);
  switch (flag.action) {
    case CLEAR_SETTING: settings.erase(a); return true;
    case POSITIVE_SETTING: settings[a] = {true, v}; return true;
    case NEGATIVE_SETTING: settings[a] = {false, v}; return true;
    case UNIFY_TEST:  // fails on another value set, or on this one set negatively
      if (r && r->positive != (r->value == v)) return false;
      settings[a] = {true, v};
      return true;
    case DISALLOW_TEST:
      if (v == 0) return !r;
      if (!r) return true;
      return r->positive ? r->value != v : r->value == v;
    case REQUIRE_TEST:
      if (v == 0) return r.has_value();
      return r && r->positive && r->value == v;
    case FAIL_ACTION: return false;
    case SET_TO_ATTR: {
      const std::optional<Setting> other = setting(settings, v);
      if (other)
        settings[a] = *other;
      else
        settings.erase(a);
      return true;
    }
    case EQUAL_ATTR_TEST: {
      const std::optional<Setting> other = setting(settings, v);
      return !r || !other || *r == *other;
    }
    default: return true;
  }
}

}  // namespace

bool obeys_flags(const Symbols &string, uint32_t attribute) {
  Settings settings;
  for (uint32_t symbol : string) {
    const kora::FLAG_DIACRITIC *flag = flag_of(symbol);
    if (!of_attribute(flag, attribute)) continue;
    if (!obey(settings, *flag)) return false;
  }
  return true;
}

Symbols without_flags(const Symbols &string, uint32_t attribute) {
  Symbols result;
  for (uint32_t symbol : string)
    if (!of_attribute(flag_of(symbol), attribute)) result.push_back(symbol);
  return result;
}

Relation obeying_paths(const NET *net, const Symbols &universe, uint32_t attribute, size_t max_length) {
  Relation result;
  using Configuration = std::tuple<const STATE *, Settings, Settings, Symbols, Symbols>;
  std::set<Configuration> seen{{net->start, {}, {}, {}, {}}};
  std::vector<Configuration> to_visit(seen.begin(), seen.end());
  while (!to_visit.empty()) {
    Configuration here = std::move(to_visit.back());
    to_visit.pop_back();
    const auto &[state, upper_settings, lower_settings, upper, lower] = here;
    if (state->flags.final) result.insert({upper, lower});
    for (const ARC *arc = state->arcs; arc != nullptr; arc = arc->next) {
      std::vector<std::pair<uint32_t, uint32_t>> instances = {{kora::EPSILON, kora::EPSILON}};
      if (arc->label != kora::EPSILON) instances = label_instances(arc->label, net, universe);
      for (const auto &[u, l] : instances) {
        Configuration next{arc->destination, upper_settings, lower_settings, upper, lower};
        bool fine = true;
        auto read = [&](uint32_t symbol, Settings &settings, Symbols &spelled) {
          const kora::FLAG_DIACRITIC *flag = flag_of(symbol);
          if (of_attribute(flag, attribute))
            fine = fine && obey(settings, *flag);
          else if (symbol != kora::EPSILON)
            spelled.push_back(symbol);
        };
        read(u, std::get<1>(next), std::get<3>(next));
        read(l, std::get<2>(next), std::get<4>(next));
        if (!fine || std::get<3>(next).size() > max_length || std::get<4>(next).size() > max_length) continue;
        if (seen.insert(next).second) to_visit.push_back(std::move(next));
      }
    }
  }
  return result;
}

int flag_marks_of_arcs(const NET *net) {
  int marks = 0;
  for (const STATE *s = net->states; s != nullptr; s = s->next)
    for (const ARC *arc = s->arcs; arc != nullptr; arc = arc->next) {
      if (flag_of(kora::upper_id(arc->label)) != nullptr) marks |= 1;
      if (flag_of(kora::lower_id(arc->label)) != nullptr) marks |= 2;
    }
  return marks;
}

int flag_marks_of(const NET *net) {
  return (net->flags2.upper_has_flags ? 1 : 0) | (net->flags2.lower_has_flags ? 2 : 0);
}

}  // namespace kora_test
