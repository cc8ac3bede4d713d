"""A passive run ("/passive"): the install page alone, its bar showing the run's real progress,
no question asked, a cancel asked first, and the exit codes of a silent run."""
import time

from ids import IDC_PROGRESS_BAR
from gates import GATES, clear_gates, gate_file, gated, release, wait_held
from wine import SAMPLE_PRODUCTS, check_result, dump_of, log_folder, read_log, uninstall_all
from wizard import IDYES, DriverError

INSTALL = IDC_PROGRESS_BAR
ALL = list(SAMPLE_PRODUCTS.values()) + list(GATES.values())
CANCEL_QUESTION = "Are you sure you want to cancel setup?"


def launch_message(dist, option, fail_on, text):
    definition = dist.dir / "RizodSuite.xml"
    definition.write_text(definition.read_text().replace("</Setup>", f"""  <LaunchMessages>
    <LaunchMessage MessageOrder="1"><MessageInfo>{text}</MessageInfo><Option>{option}</Option>
      <FailOn>{fail_on}</FailOn></LaunchMessage>
  </LaunchMessages>
</Setup>"""))


def bar(wizard):
    """The install page's bar as (position, marquee), or None once the wizard is gone."""
    try:
        control = wizard.state().control(IDC_PROGRESS_BAR)
    except DriverError:
        return None
    return control.pos, control.marquee


def states(prefix):
    return [prefix.product_state(code) for code in ALL]


def test_a_passive_install_shows_only_its_rising_progress_and_closes_by_itself(prefix, dist, wizard, tmp_path):
    uninstall_all(prefix, GATES.values())
    clear_gates(prefix)
    gated(dist, tmp_path)
    # A wizard would ask this; a passive run decides as a silent one and goes on.
    launch_message(dist, "OKCancel", "Cancel", "Close every Rizod window before you go on.")
    wizard.start("/passive")
    try:
        wait_held(prefix, wizard, "A")
        state = wizard.wait_page(INSTALL)
        wizard.screenshot("gate_a")
        assert state.page == 0
        assert not any(state.buttons[b].visible for b in ("back", "next", "finish"))
        assert state.buttons["cancel"].visible
        at_a = bar(wizard)
        release(prefix, "A")
        readings = [at_a]
        deadline = time.monotonic() + 120
        while not gate_file(prefix, "B", ".held").exists():
            assert wizard.process.poll() is None and time.monotonic() < deadline, "gate B not reached"
            readings.append(bar(wizard))
        at_b = bar(wizard)
        wizard.screenshot("gate_b")
        readings.append(at_b)
        release(prefix, "B")
        deadline = time.monotonic() + 120
        while (reading := bar(wizard)) is not None and time.monotonic() < deadline:
            readings.append(reading)
        assert wizard.exit_code() == 0
    finally:
        release(prefix, "A")
        release(prefix, "B")
    # Two of seven packages are done at gate A, four at gate B; the bar never went back.
    assert at_a[1] is False and 28 <= at_a[0] < 43, at_a
    assert at_b[1] is False and 57 <= at_b[0] < 72, at_b
    positions = [r[0] for r in readings if r is not None]
    assert positions == sorted(positions), readings
    assert states(prefix) == [5] * len(ALL)
    lines = read_log(log_folder(prefix) / "Setup.log")
    assert "Running in passive mode" in lines
    dump = dump_of(lines)
    assert dump["SetupSuccess"] == "True" and dump["Silent"] == "False"
    result = check_result(log_folder(prefix) / "SetupResult.json")
    assert (result["exitCode"], result["ui"]) == (0, "passive")
    assert {p["outcome"] for p in result["products"]} == {"succeeded"}


def test_cancel_on_a_passive_run_asks_first_and_yes_ends_it_with_1602_leaving_nothing(prefix, dist, wizard, tmp_path):
    uninstall_all(prefix, GATES.values())
    clear_gates(prefix)
    gated(dist, tmp_path)
    wizard.start("/passive")
    try:
        wait_held(prefix, wizard, "A")
        assert wizard.wait_page(INSTALL).buttons["cancel"].enabled
        wizard.click("cancel")
        # Asked at the package's next progress message: once the gate opens.
        release(prefix, "A")
        box = wizard.box()
        wizard.screenshot("cancel_question")
        assert box.text == CANCEL_QUESTION and box.caption == "Rizod Server"
        wizard.answer(IDYES)
        assert wizard.exit_code() == 1602
    finally:
        release(prefix, "A")
        release(prefix, "B")
    # Wine finishes the package it was told to cancel; the group's rollback removes it and the
    # two before it, and nothing after it starts.
    assert states(prefix) == [-1] * len(ALL)
    lines = read_log(log_folder(prefix) / "Setup.log")
    assert "Setup was cancelled while Gate A ran (it returned 0); it counts as cancelled." in lines
    result = check_result(log_folder(prefix) / "SetupResult.json")
    assert (result["exitName"], result["ui"]) == ("Cancelled", "passive")
    assert {p["outcome"] for p in result["products"]} == {"cancelled"}, result["products"]
    assert not gate_file(prefix, "B", ".held").exists()


def test_a_check_that_refuses_ends_a_passive_run_with_the_silent_runs_code(prefix, dist, wizard):
    uninstall_all(prefix)
    launch_message(dist, "OK", "OK", "This suite cannot be installed on this computer.")
    assert dist.run("/q") == 1603
    wizard.start("/passive")
    assert wizard.exit_code(timeout=120) == 1603  # no box waits for anyone
    lines = read_log(log_folder(prefix) / "Setup.log")
    assert "This suite cannot be installed on this computer." in lines
    assert "Setup stopped: the launch message refused the run." in lines
    assert states(prefix) == [-1] * len(ALL)
