"""Settings by name, and profiles: backup, diff and apply against simulated print servers."""

import pytest

import pelmora


def test_settings_by_name_with_words_numbers_texts_addresses_and_keys(server):
    with pelmora.connect(*server) as device:
        device.set("mode", "ad-hoc")
        device.set("ap-density", 3)  # an enumerated value by its number
        device.set("ssid", "Café")
        device.set("ip-address", "10.0.0.7")
        device.set("wep-key", (2, "0123456789"))
        device.set("active-key", 2)
        assert [device.get(name) for name in ("mode", "ap-density", "ssid", "ip-address")] == [
            "ad-hoc", "high", "Café", "10.0.0.7"]
        assert device.get("active-key") == 2

        rows = device.settings()
        assert [row["name"] for row in rows][:3] == ["mode", "ap-density", "ssid"]
        channel = next(row for row in rows if row["name"] == "channel")
        assert channel == {"name": "channel", "get": True, "set": True, "type": "integer",
                           "words": []}
        every = device.get_all()
        assert list(every) == [row["name"] for row in rows if row["get"]]
        assert every["ssid"] == "Café" and every["mode"] == "ad-hoc"


def test_bad_names_and_values_are_refused_before_anything_is_sent(stalling_shell):
    device = pelmora.connect("127.0.0.1", stalling_shell.port)
    for error, match, call, *args in [
        (ValueError, "channel: not a whole number", device.set, "channel", "eleven"),
        (ValueError, "out of range", device.set, "channel", 12),  # as apply refuses it
        (ValueError, "dynamic-wep .* cannot be set; one of disabled, tkip,", device.set,
         "encryption", "dynamic-wep"),
        (ValueError, "encryption.*wpa2", device.set, "encryption", "wpa3"),
        (KeyError, "known: mode, ap-density, ssid", device.set, "chanel", 6),
        (KeyError, "colour", device.get, "colour"),
        (ValueError, "discarded-messages can only be read", device.set, "discarded-messages", 1),
        (ValueError, "password can only be set", device.get, "password"),
        (TypeError, "float", device.set, "channel", 6.0),
        (TypeError, "bool", device.set, "channel", True),
        (ValueError, "U\\+00FF", device.set, "ssid", "\u263a"),
        (ValueError, "line break", device.command, "SH NW SSID\rSAVE"),
        (ValueError, "2 problem", device.apply, {"channel": 12, "discarded-messages": 3}),
    ]:
        with pytest.raises(error, match=match):
            call(*args)
    assert stalling_shell.lines == []


def test_backup_diff_and_apply_round_trip(server, tmp_path):
    with pelmora.connect(*server) as device:
        saved = device.backup()
        assert saved["ssid"] == "PrintNet" and "psk" not in saved and "password" not in saved
        wanted = dict(saved, ssid="Lab", channel=3, encryption="wpa2")
        changes = device.diff(wanted)
        assert [c["name"] for c in changes if c["action"] == "change"] == [
            "ssid", "channel", "encryption"]
        assert device.apply(wanted, dry_run=True) == changes
        assert device.get("ssid") == "PrintNet"  # a dry run changes nothing

        applied = device.apply(dict(wanted, psk="long pass phrase"), save=True)
        assert {c["result"] for c in applied} == {"kept", "verified", "sent"}

        profile = tmp_path / "office.toml"
        profile.write_text('ssid = "Office"\nchannel = 11\n')
        assert [c["to"] for c in device.apply(profile)] == ["Office", 11]
    with pelmora.connect(*server) as again:
        assert again.get("ssid") == "Lab"  # saved by the first apply, not by the second


def test_a_refused_change_stops_apply_and_sets_back_what_it_changed_unless_told_not_to(server):
    with pelmora.connect(*server) as device:
        for rollback, first, ssid in [(True, "rolled back", "PrintNet"), (False, "verified", "Café")]:
            with pytest.raises(pelmora.AutomationError) as raised:
                device.apply({"ssid": "Café", "bssid": "zz", "channel": 3}, rollback=rollback)
            assert raised.value.number == 9998  # the device refused the BSSID
            assert [c["result"] for c in raised.value.changes] == [first, "failed", "not attempted"]
            assert device.get("ssid") == ssid
