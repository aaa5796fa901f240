#include "app/cli/CommandNames.h"

#include <algorithm>

namespace zorv::cli {

size_t EditDistance(const std::string& a, const std::string& b) {
  // Optimal string alignment: Levenshtein's table plus one step for two
  // neighbouring characters typed the wrong way round.
  const size_t rows = a.size() + 1, columns = b.size() + 1;
  std::vector<size_t> d(rows * columns);
  auto at = [&](size_t i, size_t j) -> size_t& { return d[i * columns + j]; };
  for (size_t i = 0; i < rows; ++i) at(i, 0) = i;
  for (size_t j = 0; j < columns; ++j) at(0, j) = j;
  for (size_t i = 1; i < rows; ++i) {
    for (size_t j = 1; j < columns; ++j) {
      const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
    }
  }
  return at(a.size(), b.size());
}

std::string NearestName(const std::string& typed, const std::vector<std::string>& names) {
  std::string nearest;
  size_t best = 0;
  for (const std::string& name : names) {
    const size_t distance = EditDistance(typed, name);
    if (nearest.empty() || distance < best) {
      nearest = name;
      best = distance;
    }
  }
  // Beyond about a third of the name changed, the word was not a slip of
  // the fingers but something else, and a suggestion would only mislead.
  const size_t limit = std::max<size_t>(2, typed.size() / 3);
  return best <= limit ? nearest : std::string();
}

std::vector<std::string> CommandNames(const CLI::App& command) {
  std::vector<std::string> names;
  for (const CLI::App* sub : command.get_subcommands({})) names.push_back(sub->get_name());
  return names;
}

std::string UnknownCommandText(const CLI::App& parent, const std::string& typed) {
  std::string text = "unknown command '" + typed + "'";
  const std::string nearest = NearestName(typed, CommandNames(parent));
  if (!nearest.empty()) text += "; did you mean '" + nearest + "'?";
  return text;
}

const CLI::App* FollowCommandWords(const CLI::App& app, const std::vector<std::string>& args,
                                   std::string& unknown) {
  unknown.clear();
  const CLI::App* command = &app;
  for (const std::string& word : args) {
    if (word.empty() || word.front() == '-') break;
    // A command that takes words of its own (file names) ends the walk.
    if (command->get_subcommands({}).empty() || !command->get_options([](const CLI::Option* o) {
          return o->get_positional();
        }).empty())
      break;
    const CLI::App* sub = nullptr;
    for (const CLI::App* candidate : command->get_subcommands({}))
      if (candidate->check_name(word)) sub = candidate;
    if (!sub) {
      unknown = UnknownCommandText(*command, word);
      return command;
    }
    command = sub;
  }
  return command;
}

std::string CommandHelp(const CLI::App& command) {
  std::vector<std::string> above;
  for (const CLI::App* parent = command.get_parent(); parent; parent = parent->get_parent())
    above.insert(above.begin(), parent->get_name());
  return command.help(CLI::detail::join(above, " "));
}

}  // namespace zorv::cli
