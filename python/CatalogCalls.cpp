#include "CatalogCalls.h"

#include <string>
#include <vector>

#include "Errors.h"
#include "Text.h"
#include "pelmora/catalog/Backup.h"
#include "pelmora/catalog/Plan.h"
#include "pelmora/catalog/Profile.h"
#include "pelmora/catalog/SettingsCatalog.h"

namespace pelmora::python {

namespace py = pybind11;

namespace {

// An enumerated value as its word (as profiles write it), else the text or the number.
py::object ToPython(const SettingValue& value) {
  if (value.word) return py::str(*value.word);
  if (value.IsText()) return python::ToPython(value.AsText());
  return py::int_(value.AsNumber());
}

// A value as the text a command line would give: an int as its digits, a str as itself (the
// catalog turns it into the device's bytes by the one text rule, as it does a command line's).
std::string ValueText(py::handle value) {
  if (py::isinstance<py::bool_>(value) ||
      !(py::isinstance<py::int_>(value) || py::isinstance<py::str>(value))) {
    throw py::type_error("a setting's value is a str or an int, not " +
                         std::string(py::str(value.get_type().attr("__name__"))));
  }
  if (py::isinstance<py::int_>(value)) return WholeNumberText(value);
  return value.cast<std::string>();
}

// set's values: one, or for a key setting (wep-key) a (key number, value) pair.
std::vector<std::string> SetValues(py::handle value) {
  if (!py::isinstance<py::tuple>(value)) return {ValueText(value)};
  std::vector<std::string> values;
  for (const auto item : value.cast<py::tuple>()) values.push_back(ValueText(item));
  return values;
}

py::object FromJson(const std::string& json) {
  return py::module_::import("json").attr("loads")(py::str(json));
}

// A profile from a file (a path) or from a dict of the profile's JSON shape; ValueError listing
// every problem, before anything is sent.
Profile ReadProfile(py::handle source) {
  Profile profile = [&] {
    if (py::isinstance<py::dict>(source)) {
      const auto text = py::module_::import("json").attr("dumps")(source).cast<std::string>();
      return Profile::Parse(text, "<dict>", Profile::Format::Json);
    }
    return Profile::Load(py::module_::import("os").attr("fspath")(source).cast<std::string>());
  }();
  if (profile.IsValid()) return profile;
  std::string problems;
  for (const auto& problem : profile.Problems()) problems += "\n" + problem.ToString();
  throw py::value_error(profile.Name() + ": " + std::to_string(profile.Problems().size()) +
                        " problem(s); nothing was sent" + problems);
}

py::object Changes(const Plan& plan) {
  return FromJson(plan.Json())["changes"];
}

py::object Get(Device& device, const std::string& name) {
  const Setting& setting = SettingsCatalog::At(name);
  return ToPython(device.Run([&](PelmoraT2& d) { return setting.Get(d); }));
}

void Set(Device& device, const std::string& name, py::handle value) {
  const auto write = SettingsCatalog::Bind(name, SetValues(value));
  device.Run(write);
}

py::dict GetAll(Device& device) {
  py::dict values;
  for (const auto& setting : SettingsCatalog::All()) {
    if (!setting.CanGet()) continue;
    values[py::str(std::string(setting.name))] =
        ToPython(device.Run([&](PelmoraT2& d) { return setting.Get(d); }));
  }
  return values;
}

py::list Settings() {
  py::list settings;
  for (const auto& setting : SettingsCatalog::All()) {
    py::list words;
    for (const auto& word : setting.words) words.append(std::string(word.word));
    py::dict row;
    row["name"] = std::string(setting.name);
    row["get"] = setting.CanGet();
    row["set"] = setting.CanSet();
    row["type"] = std::string(setting.TypeName());
    row["words"] = words;
    settings.append(row);
  }
  return settings;
}

// Every readable setting as a profile; the first getter that failed is raised.
py::object ReadBackup(Device& device) {
  const auto backup = device.Run([](PelmoraT2& d) { return Backup::Read(d); });
  for (const auto& entry : backup.Entries()) {
    if (entry.error) throw *entry.error;
  }
  return FromJson(backup.Json());
}

py::object Diff(Device& device, py::handle source) {
  const Profile profile = ReadProfile(source);
  return Changes(device.Run([&](PelmoraT2& d) { return Plan::Make(d, profile); }));
}

// The changes made; when a step or the save failed, the AutomationError that stopped the run,
// with the changes as its `changes` attribute.
py::object Apply(Device& device, py::handle source, bool dryRun, bool save, bool rollback) {
  if (dryRun) return Diff(device, source);
  const Profile profile = ReadProfile(source);
  // Planned and carried out in one physical session: the device ending it fails the apply
  // (and says what is lost) rather than going on in a new one.
  std::optional<Plan> plan;
  const bool done = device.Run([&](PelmoraT2& d) {
    plan.emplace(Plan::Make(d, profile));
    Session& session = device.Underlying();
    const Session::OneSession oneSession(session);
    return plan->Apply(d, save, rollback, [&session] { return session.PhysicalSessions(); });
  });
  if (done || !plan->Failure()) return Changes(*plan);
  py::object error = Errors::ToPython(*plan->Failure());
  error.attr("changes") = Changes(*plan);
  Errors::Raise(error);
}

}  // namespace

void CatalogCalls::Bind(py::class_<Device, std::shared_ptr<Device>>& device) {
  device
      .def("get", &Get, py::arg("name"),
           "A setting's value: an enumerated one as its word, a text, or a number.")
      .def("set", &Set, py::arg("name"), py::arg("value"),
           "Changes a setting: an enumerated one by word or number, wep-key as (number, value). "
           "The value is checked before anything is sent.")
      .def("get_all", &GetAll, "Every readable setting, by name, in the catalog's order.")
      .def(
          "settings", [](const Device&) { return Settings(); },
          "The settings: name, get, set, type and words of each.")
      .def("backup", &ReadBackup,
           "Every readable setting as a profile dict (secrets are never read).")
      .def("diff", &Diff, py::arg("profile"),
           "What applying the profile (a path or a dict) would change: a list of "
           "{name, from, to, action}.")
      .def("apply", &Apply, py::arg("profile"), py::arg("dry_run") = false, py::arg("save") = false,
           py::arg("rollback") = true,
           "Sets what the profile changes and reads each back; with save, saves when all were "
           "verified. A list of {name, from, to, action, result}; a failure raises "
           "AutomationError with the list as its changes attribute, after setting back what "
           "was changed (result 'rolled back' or 'not restored: why') unless rollback is False.");
}

}  // namespace pelmora::python
