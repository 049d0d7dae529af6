#include "xml/XmlMarkup.h"

#include <array>

namespace {

struct TEntity {
  std::string_view Reference;
  char Character;
};

constexpr std::array<TEntity, 5> kEntities = {{
    {"&quot;", '"'},
    {"&amp;", '&'},
    {"&apos;", '\''},
    {"&lt;", '<'},
    {"&gt;", '>'},
}};

const TEntity* EntityForCharacter(char c) {
  for (const TEntity& entity : kEntities)
    if (entity.Character == c) return &entity;
  return nullptr;
}

}  // namespace

std::string EscapeMarkup(std::string_view text) {
  if (text.find_first_of("\"&'<>") == std::string_view::npos) return std::string(text);
  std::string result;
  result.reserve(text.size() + text.size() / 4);
  for (const char c : text) {
    if (const TEntity* entity = EntityForCharacter(c))
      result += entity->Reference;
    else
      result += c;
  }
  return result;
}

std::string UnescapeMarkup(std::string_view text) {
  size_t amp = text.find('&');
  if (amp == std::string_view::npos) return std::string(text);
  std::string result;
  result.reserve(text.size());
  size_t pos = 0;
  while (amp != std::string_view::npos) {
    result.append(text.substr(pos, amp - pos));
    const size_t end = text.find_first_of(";&", amp + 1);
    if (end == std::string_view::npos || text[end] == '&') {
      // Not a reference: the "&" is an ordinary byte.
      result += '&';
      pos = amp + 1;
    } else {
      const std::string_view reference = text.substr(amp, end - amp + 1);
      char decoded = 0;
      for (const TEntity& entity : kEntities)
        if (entity.Reference == reference) decoded = entity.Character;
      if (decoded != 0)
        result += decoded;
      else
        result.append(reference);
      pos = end + 1;
    }
    amp = text.find('&', pos);
  }
  result.append(text.substr(pos));
  return result;
}
