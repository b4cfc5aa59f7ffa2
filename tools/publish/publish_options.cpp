#include "publish_options.h"

const char kPublishUsage[] =
    "usage: tavora-publish --client DIR --version A.B.C.D --base-url URL --out DIR\n"
    "                      [--registerdll FILE]... [--mustupdate FILE=true|false]...\n"
    "                      [--store] [--force] [--sign-key KEY.pem]\n"
    "\n"
    "Publishes the client release in DIR (TavoraStudent.exe, its modules, optionally\n"
    "TavoraStudentInstaller.exe) into the release folder OUT: every top-level file gzip'd as\n"
    "name-CHECK.ext.gz, the complete package TavoraStudent-CHECK.zip.gz, and entry.json, the\n"
    "update-list entry whose download URL is URL (OUT's files must be served there).\n"
    "\n"
    "  --registerdll FILE   mark the module FILE \"registerdll\": \"true\" (default \"false\")\n"
    "  --mustupdate FILE=V  give the module FILE \"mustupdate\": \"V\" (true or false)\n"
    "  --store              store the package's entries instead of deflating them\n"
    "  --force              replace OUT when it exists\n"
    "  --sign-key KEY.pem   sign the release with this P-256 private key (PEM \"EC PRIVATE KEY\"\n"
    "                       or unencrypted \"PRIVATE KEY\"): every file's SHA-256 and a\n"
    "                       \"Signature\" go into entry.json\n";

ParseOutcome ParsePublishArguments(const std::vector<std::string>& arguments, PublishOptions& options,
                                   std::string& error) {
  options = PublishOptions();
  bool haveClient = false, haveVersion = false, haveUrl = false, haveOut = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    std::string name = arguments[i];
    std::string value;
    bool hasValue = false;
    const size_t equals = name.find('=');
    if (name.compare(0, 2, "--") == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
      hasValue = true;
    }
    if (name == "--help" || name == "-h") return ParseOutcome::kHelp;
    if (name == "--force" || name == "--store") {
      if (hasValue) {
        error = name + " takes no value";
        return ParseOutcome::kError;
      }
      (name == "--force" ? options.replaceExisting : options.storeZipEntries) = true;
      continue;
    }
    const bool known = name == "--client" || name == "--version" || name == "--base-url" || name == "--out" ||
                       name == "--registerdll" || name == "--mustupdate" || name == "--sign-key";
    if (!known) {
      error = "unknown argument '" + arguments[i] + "'";
      return ParseOutcome::kError;
    }
    if (!hasValue) {
      if (i + 1 >= arguments.size()) {
        error = name + " needs a value";
        return ParseOutcome::kError;
      }
      value = arguments[++i];
    }
    if (value.empty()) {
      error = name + " needs a non-empty value";
      return ParseOutcome::kError;
    }
    if (name == "--client") {
      options.clientFolder = value;
      haveClient = true;
    } else if (name == "--version") {
      options.version = value;
      haveVersion = true;
    } else if (name == "--base-url") {
      options.baseUrl = value;
      haveUrl = true;
    } else if (name == "--out") {
      options.outFolder = value;
      haveOut = true;
    } else if (name == "--sign-key") {
      options.signingKey = value;
    } else if (name == "--registerdll") {
      options.registerDlls.insert(value);
    } else {
      const size_t mark = value.rfind('=');
      const std::string setting = mark == std::string::npos ? "" : value.substr(mark + 1);
      if (mark == std::string::npos || mark == 0 || (setting != "true" && setting != "false")) {
        error = "--mustupdate takes FILE=true or FILE=false, not '" + value + "'";
        return ParseOutcome::kError;
      }
      options.mustUpdate[value.substr(0, mark)] = setting == "true";
    }
  }
  if (!haveClient || !haveVersion || !haveUrl || !haveOut) {
    error = "--client, --version, --base-url and --out are all needed";
    return ParseOutcome::kError;
  }
  return ParseOutcome::kPublish;
}
