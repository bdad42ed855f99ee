// Files: a key and everything below it to .reg text, and a .reg file applied.
#include "tools/vtrreg/CommandTable.h"
#include "tools/vtrreg/Commands.h"
#include "tools/vtrreg/RegFile.h"
#include "tools/vtrreg/RegFileWriter.h"

void CmdExport(CommandContext& context, const CommandWords& words) {
  std::string file, path;
  bool havePath = false;
  for (size_t i = 1; i < words.size(); ++i) {
    if (words[i] == "-o") {
      if (i + 1 >= words.size() || !file.empty()) ThrowUsage("export");
      file = words[++i];
    } else if (!havePath) {
      path = words[i];
      havePath = true;
    } else {
      ThrowUsage("export");
    }
  }
  clsEasyRegistry key;
  if (havePath) {
    context.PositionAt(key, path);
  } else {
    context.RequireCurrentKey("export");
    key.Cd(context.registry.CurrentKey());
  }
  if (key.CurrentKey().empty()) ThrowUsage("export", "give a key, not \\");
  const std::string text = RegFileWriter::Export(key.CurrentKey());
  if (file.empty()) {
    context.out << text;
    context.out.flush();
  } else {
    RegFileWriter::SaveText(file, text);
  }
}

void CmdImport(CommandContext& context, const CommandWords& words) {
  if (words.size() != 2) ThrowUsage("import");
  const RegFile file = RegFile::Load(words[1]);
  const RegFile::ImportCounts counts = file.Import();
  for (const std::string& note : file.Notes()) context.err << "vtrreg: " << note << "\n";
  context.out << "imported " << words[1] << ": " << counts.keys << " keys, " << counts.values << " values, "
              << counts.deletions << " deletions\n";
}
