#include "OutputWriter.h"

#include <nlohmann/json.hpp>

#include "pelmora/catalog/Utf8Text.h"

namespace pelmora::cli {

namespace {

using Json = nlohmann::ordered_json;

std::string Utf8(const std::string& text) {
  return Utf8Text::FromBytes(text);
}

// A value in text output.
std::string Shown(const std::string& text) {
  return Utf8Text::Printable(text);
}

Json ValueJson(const SettingValue& value) {
  if (const auto* text = std::get_if<std::string>(&value.value)) return Utf8(*text);
  return std::get<std::int32_t>(value.value);
}

Json ErrorJson(const AutomationError& error) {
  return Json{{"number", error.Number()},
              {"source", Utf8(error.Source())},
              {"description", Utf8(error.Description())}};
}

Json ReadingJson(const Setting& setting, const std::optional<SettingValue>& value,
                 const std::optional<AutomationError>& error) {
  Json reading{{"name", std::string(setting.name)}};
  if (error) {
    reading["error"] = ErrorJson(*error);
    return reading;
  }
  reading["value"] = ValueJson(*value);
  if (value->word) reading["text"] = *value->word;
  return reading;
}

}  // namespace

OutputWriter::OutputWriter(bool json, std::ostream& out, std::ostream& err)
    : json_(json), out_(out), err_(err) {}

void OutputWriter::Value(const Setting& setting, const SettingValue& value) {
  if (json_) {
    out_ << ReadingJson(setting, value, std::nullopt).dump(2) << '\n';
  } else {
    out_ << Shown(value.Text()) << '\n';
  }
}

void OutputWriter::AllValues(const std::vector<Reading>& readings) {
  if (json_) {
    Json list = Json::array();
    for (const auto& r : readings) list.push_back(ReadingJson(*r.setting, r.value, r.error));
    out_ << list.dump(2) << '\n';
    return;
  }
  for (const auto& r : readings) {
    if (r.error) {
      SettingError(*r.setting, *r.error);
    } else {
      out_ << r.setting->name << ": " << Shown(r.value->Text()) << '\n';
    }
  }
}

void OutputWriter::Ok() {
  if (json_) {
    out_ << Json{{"ok", true}}.dump(2) << '\n';
  } else {
    out_ << "ok\n";
  }
}

void OutputWriter::Reply(const std::string& reply) {
  if (json_) {
    out_ << Json{{"reply", Utf8(reply)}}.dump(2) << '\n';
  } else {
    out_ << PlainLineFeeds(reply) << '\n';
  }
}

void OutputWriter::ReadOnly(bool readOnly) {
  if (json_) {
    out_ << Json{{"readOnly", readOnly}}.dump(2) << '\n';
  } else {
    out_ << (readOnly ? "true" : "false") << '\n';
  }
}

void OutputWriter::Version(const VersionInfo& info) {
  if (!json_) return Report(info.ToString());
  out_ << Json{{"ProductName", Utf8(info.ProductName())},
               {"FirmwareVersion", Utf8(info.FirmwareVersion())},
               {"BootVersion", Utf8(info.BootVersion())}}
              .dump(2)
       << '\n';
}

void OutputWriter::IP(const IPInfo& info) {
  if (!json_) return Report(info.ToString());
  out_ << Json{{"IPAddress", Utf8(info.IPAddress())},
               {"SubnetMask", Utf8(info.SubnetMask())},
               {"DefaultRouter", Utf8(info.DefaultRouter())},
               {"BootMethod", static_cast<std::int32_t>(info.BootMethod())},
               {"ActualIPAssignment", static_cast<std::int32_t>(info.ActualIPAssignment())}}
              .dump(2)
       << '\n';
}

void OutputWriter::Wireless(const WirelessInfo& info) {
  if (!json_) return Report(info.ToString());
  out_ << Json{{"RegulatoryDomain", Utf8(info.RegulatoryDomain())},
               {"WiFiFWVersion", Utf8(info.WiFiFWVersion())},
               {"APMacAddress", Utf8(info.APMacAddress())},
               {"WepEncryption", static_cast<std::int32_t>(info.WepEncryption())},
               {"WepKey1Set", info.WepKey1Set()},
               {"WepKey2Set", info.WepKey2Set()},
               {"WepKey3Set", info.WepKey3Set()},
               {"WepKey4Set", info.WepKey4Set()},
               {"EAPState", static_cast<std::int32_t>(info.EAPState())}}
              .dump(2)
       << '\n';
}

void OutputWriter::Settings(const std::vector<Setting>& settings) {
  if (json_) {
    Json list = Json::array();
    for (const auto& setting : settings) {
      Json words = Json::array();
      for (const auto& word : setting.words) words.push_back(std::string(word.word));
      list.push_back(Json{{"name", std::string(setting.name)},
                          {"get", setting.CanGet()},
                          {"set", setting.CanSet()},
                          {"type", std::string(setting.TypeName())},
                          {"words", words}});
    }
    out_ << list.dump(2) << '\n';
    return;
  }
  for (const auto& setting : settings) {
    std::string line(setting.name);
    line.resize(20, ' ');
    line += setting.CanGet() ? (setting.CanSet() ? "get set " : "get     ") : "    set ";
    std::string type(setting.TypeName());
    type.resize(9, ' ');
    line += type;
    if (setting.CanSet() && setting.ValueNames() != "VALUE") line += setting.ValueNames();
    for (std::size_t i = 0; i < setting.words.size(); ++i) {
      line += (i == 0 ? "" : ", ") + std::string(setting.words[i].word);
    }
    out_ << line << '\n';
  }
}

void OutputWriter::Changes(const Plan& plan, bool applied) {
  if (json_) {
    out_ << plan.Json() << '\n';
    return;
  }
  for (const auto& step : plan.Steps()) {
    std::string line = step.Name() + ": " + Shown(step.FromText()) + " -> " + Shown(step.ToText()) +
                       " (" + ToString(step.action) + ")";
    if (applied) line += ": " + step.ResultText();
    if (step.error) line += ": " + ErrorLine(*step.error);
    if (step.readError) line += " [current value not read: " + ErrorLine(*step.readError) + "]";
    out_ << line << '\n';
  }
  if (applied) out_ << (plan.Saved() ? "saved" : "not saved") << '\n';
}

void OutputWriter::Document(const std::string& text) {
  out_ << text;
  if (!text.empty() && text.back() != '\n') out_ << '\n';
}

void OutputWriter::Problems(const std::vector<ProfileProblem>& problems) {
  for (const auto& problem : problems) err_ << problem.ToString() << '\n';
}

void OutputWriter::Error(const AutomationError& error) {
  if (json_) {
    out_ << Json{{"error", ErrorJson(error)}}.dump(2) << '\n';
  } else {
    err_ << ErrorLine(error) << '\n';
  }
}

void OutputWriter::Failure(const AutomationError& error) {
  err_ << ErrorLine(error) << '\n';
}

void OutputWriter::BackupWritten(const std::string& path, std::size_t settings) {
  out_ << Json{{"file", path}, {"settings", settings}}.dump(2) << '\n';
}

void OutputWriter::SettingError(const Setting& setting, const AutomationError& error) {
  err_ << setting.name << ": " << ErrorLine(error) << '\n';
}

std::string OutputWriter::ErrorLine(const AutomationError& error) {
  return "error " + std::to_string(error.Number()) + " (" + Shown(error.Source()) +
         "): " + Shown(error.Description());
}

std::string OutputWriter::PlainLineFeeds(const std::string& text) {
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      plain += text[i];
    } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
      plain += '\n';
    }
  }
  return Utf8Text::Printable(plain, true);
}

void OutputWriter::Report(const std::string& text) {
  out_ << PlainLineFeeds(text);
}

}  // namespace pelmora::cli
