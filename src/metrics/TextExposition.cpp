#include "pelmora/metrics/TextExposition.h"

#include <charconv>
#include <cmath>
#include <map>
#include <stdexcept>

namespace pelmora {

namespace {

bool IsNameCharacter(char c, bool first, bool colonAllowed) noexcept {
  const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
  return letter || (colonAllowed && c == ':') || (!first && c >= '0' && c <= '9');
}

bool IsName(std::string_view name, bool colonAllowed) noexcept {
  if (name.empty()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (!IsNameCharacter(name[i], i == 0, colonAllowed)) return false;
  }
  return true;
}

const char* TypeName(MetricType type) noexcept {
  switch (type) {
    case MetricType::Counter:
      return "counter";
    case MetricType::Gauge:
      return "gauge";
    case MetricType::Histogram:
      return "histogram";
    case MetricType::Untyped:
      break;
  }
  return "untyped";
}

// Help texts keep their double quotes; label values, which stand inside quotes, escape them.
std::string Escape(std::string_view text, bool quotes) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\\' || (quotes && c == '"')) {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

void Require(bool valid, const std::string& what) {
  if (!valid) throw std::invalid_argument("not a metric or label name: '" + what + "'");
}

void WriteSample(std::string& out, const std::string& name, const MetricSample& sample) {
  Require(sample.suffix.empty() || TextExposition::IsMetricName(sample.suffix), sample.suffix);
  out += name;
  out += sample.suffix;
  if (!sample.labels.empty()) {
    out += '{';
    for (std::size_t i = 0; i < sample.labels.size(); ++i) {
      const auto& label = sample.labels[i];
      Require(TextExposition::IsLabelName(label.name), label.name);
      if (i > 0) out += ',';
      out += label.name + "=\"" + TextExposition::EscapeLabelValue(label.value) + '"';
    }
    out += '}';
  }
  out += ' ' + TextExposition::FormatValue(sample.value) + '\n';
}

}  // namespace

std::string TextExposition::Write(const std::vector<MetricFamily>& families) {
  // Each name's samples, gathered under the first family of that name.
  std::vector<const MetricFamily*> firsts;
  std::map<std::string, std::vector<const MetricSample*>, std::less<>> samples;
  for (const auto& family : families) {
    Require(IsMetricName(family.name), family.name);
    auto [entry, added] = samples.try_emplace(family.name);
    if (added) firsts.push_back(&family);
    for (const auto& sample : family.samples) entry->second.push_back(&sample);
  }
  std::string out;
  for (const MetricFamily* family : firsts) {
    out += "# HELP " + family->name + ' ' + EscapeHelp(family->help) + '\n';
    out += "# TYPE " + family->name + ' ' + TypeName(family->type) + '\n';
    for (const MetricSample* sample : samples.find(family->name)->second) {
      WriteSample(out, family->name, *sample);
    }
  }
  return out;
}

std::string TextExposition::EscapeLabelValue(std::string_view value) {
  return Escape(value, true);
}

std::string TextExposition::EscapeHelp(std::string_view help) {
  return Escape(help, false);
}

std::string TextExposition::FormatValue(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

bool TextExposition::IsMetricName(std::string_view name) noexcept {
  return IsName(name, true);
}

bool TextExposition::IsLabelName(std::string_view name) noexcept {
  return IsName(name, false);
}

}  // namespace pelmora
