#include "JsPatternTranslation.h"

namespace renamer {

// Placeholder until the translator lands: passes the pattern through.
std::expected<TranslatedPattern, PatternError> translateJsPattern(std::string_view jsPattern)
{
    return TranslatedPattern{std::string(jsPattern), 0, {}};
}

} // namespace renamer
