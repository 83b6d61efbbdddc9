"""Opens a page from file:// in headless Chromium, driven through Selenium and
chromedriver (Debian's python3-selenium and chromium-driver), and tells as
JSON what a person would meet there: the errors of its scripts and console,
any dialog, the requests it made, its players and their sources, where each
gap's and concealment event's click (in the timeline and in the table)
moved its player, the marks
of the timeline and the legend's swatches (with their colours), where the
programs' names are drawn, each file's player cell and the page's text; at
each of WIDTHS, the boxes in page pixels of the timeline, of its texts and
of its programs' and gaps' marks; of the collection's page, its table (each
row's cells by column, its bars and links) and the rows' order after each
column's heading is clicked once and twice. A screenshot of the whole page
(1200 pixels wide) goes to SHOT.
    browser_page.py PAGE.html [SHOT.png [WIDTH,...]]"""
import base64
import functools
import importlib.util
import json
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

# python3-selenium is installed for Debian's Python; another python3 first on
# the PATH (a pyenv's) lacks it.
DEBIAN_PYTHON = "/usr/bin/python3"
# Root needs --no-sandbox; without the background services' flags Chromium
# keeps calling out, and a closed network refuses it. The players may play
# unasked, muted; no scroll bar takes from the page's width.
FLAGS = ["--no-sandbox", "--headless=new", "--disable-gpu", "--disable-background-networking",
         "--disable-component-update", "--disable-sync", "--no-first-run",
         "--autoplay-policy=no-user-gesture-required", "--mute-audio", "--hide-scrollbars"]

FACTS = """const look = (e) => {  // a mark's classes (with its gap's) and colours
  const s = getComputedStyle(e), g = e.closest(".gap");
  const classes = (e.getAttribute("class") + " " + (g ? g.getAttribute("class") : "")).split(" ");
  return { classes: classes.filter((c) => c && c !== "null").sort().join(" "),
           style: [s.fill, s.stroke, s.strokeWidth] };
};
return {
  title: document.title,
  heading: (document.querySelector("h1") || {}).textContent,
  legend: Array.from(document.querySelectorAll(".legend li")).map((li) => ({
    key: li.getAttribute("data-key"), label: li.textContent,
    swatches: Array.from(li.querySelectorAll("rect, line, path")).map(look) })),
  marks: Array.from(document.querySelectorAll("#tape > *, #tape g > rect")).filter((e) =>
    ["rect", "line", "path"].includes(e.tagName)).map(look),
  playerCells: Array.from(document.querySelectorAll("#details table:first-of-type tr")).slice(1)
    .map((tr) => ({ text: tr.lastElementChild.textContent, player: !!tr.querySelector("audio") })),
  earlier: (document.getElementById("earlier") || {}).innerText,
  text: document.body.innerText,
  players: Array.from(document.querySelectorAll("audio")).map((a) => ({
    src: a.getAttribute("src"), url: a.src, file: Number(a.closest("tr").rowIndex) - 1,
  })),
  programMarks: document.querySelectorAll("#tape .program").length,
  programNames: Array.from(document.querySelectorAll("#tape .program text")).map((t) => {
    const b = t.getBBox();
    return { text: t.textContent, x: b.x, y: b.y, width: b.width, height: b.height };
  }),
  gapMarks: Array.from(document.querySelectorAll("#tape .gap")).map((g) => ({
    file: g.getAttribute("data-file"), gap: g.getAttribute("data-gap"),
    input: g.getAttribute("data-input"), classes: g.getAttribute("class"),
    title: g.querySelector("title") ? g.querySelector("title").textContent : "",
  })),
  qcMarks: Array.from(document.querySelectorAll("#tape .qc")).map((m) => ({
    file: Number(m.getAttribute("data-file")), event: Number(m.getAttribute("data-event")),
    kind: m.getAttribute("data-kind"), title: m.textContent })),
  qcButtons: Array.from(document.querySelectorAll("button.qc")).map((b) => ({
    file: Number(b.getAttribute("data-file")), event: Number(b.getAttribute("data-event")),
    text: b.textContent })),
  inputBands: document.querySelectorAll("#tape .band.input").length,
  disagreements: document.querySelectorAll("#tape .disagree").length,
  scripts: document.scripts.length,
};"""

# Mark k of those `where` selects, clicked: the time its player went to. It is
# read when the player seeks there (once it plays, the time runs on), and
# whether it plays 50 ms later.
SEEK = """const [where, k, done] = arguments;
(async () => {
  const mark = document.querySelectorAll(where)[k];
  const number = (name) => mark.hasAttribute(name) ? Number(mark.getAttribute(name)) : null;
  const file = number("data-file"), gap = number("data-gap"), event = number("data-event");
  const audio = document.querySelectorAll("tr")[file + 1].querySelector("audio");
  if (!audio) return { file, gap, event, where, currentTime: null };
  audio.pause();
  let seekedTo = null;
  const onSeeking = () => { if (seekedTo === null) seekedTo = audio.currentTime; };
  audio.addEventListener("seeking", onSeeking);
  mark.dispatchEvent(new MouseEvent("click", { bubbles: true }));
  const until = Date.now() + 5000;
  while ((audio.readyState < 1 || seekedTo === null) && Date.now() < until) {
    await new Promise((r) => setTimeout(r, 20));
  }
  await new Promise((r) => setTimeout(r, 50));
  const playing = !audio.paused;
  audio.pause();
  audio.removeEventListener("seeking", onSeeking);
  return { file, gap, event, where, playing, currentTime: seekedTo, readyState: audio.readyState };
})().then(done, (e) => done({ where, error: String(e) }));"""


# The collection's table (COLLECTION.html): each row's cells by their column's
# key, its bar's parts and its links; then each heading clicked twice, with the
# rows' cells after each click and the heading's aria-sort.
TABLE = """const cells = () => Array.from(document.querySelectorAll("#tapes tbody tr")).map((tr) =>
  Object.fromEntries(Array.from(tr.cells).map((td) => [td.dataset.key, td.textContent])));
const out = {
  headings: Array.from(document.querySelectorAll("#tapes thead th")).map((th) => th.textContent),
  rows: cells(),
  classes: Array.from(document.querySelectorAll("#tapes tbody tr")).map((tr) => tr.className),
  bars: Array.from(document.querySelectorAll("#tapes tbody tr")).map((tr) =>
    Array.from(tr.querySelectorAll("svg.bar rect")).map((r) => ({
      part: r.getAttribute("class"), width: Number(r.getAttribute("width")),
      x: Number(r.getAttribute("x")), title: r.textContent }))),
  links: Array.from(document.querySelectorAll("#tapes tbody tr")).map((tr) =>
    Array.from(tr.querySelectorAll("a")).map((a) => ({
      text: a.textContent, href: a.getAttribute("href"), url: a.href }))),
  sorts: [],
};
document.querySelectorAll("#tapes thead th").forEach((th) => {
  for (const click of [1, 2]) {
    th.dispatchEvent(new MouseEvent("click", { bubbles: true }));
    out.sorts.push({ key: th.dataset.key, click, sort: th.getAttribute("aria-sort"), rows: cells() });
  }
});
return out;"""


# The timeline once drawn at the window's width (two frames on): its box,
# its texts' and its programs' and gaps' marks' (their file and gap).
BOXES = """const done = arguments[0];
requestAnimationFrame(() => requestAnimationFrame(() => {
  const box = (e) => {
    const b = e.getBoundingClientRect(), g = e.closest("[data-file]");
    return { left: b.left, top: b.top, right: b.right, bottom: b.bottom, text: e.textContent,
             tag: e.tagName, mark: g && [Number(g.dataset.file), g.dataset.gap || null] };
  };
  const tape = document.getElementById("tape");
  done({ width: innerWidth, svg: box(tape),
         items: Array.from(tape.querySelectorAll("text, [data-file] > rect")).map(box) });
}));"""


@functools.lru_cache()
def python():
    """A Python that has Selenium (this one or Debian's), else None."""
    if importlib.util.find_spec("selenium"):
        return sys.executable
    if os.path.exists(DEBIAN_PYTHON) and subprocess.run(
            [DEBIAN_PYTHON, "-c", "import selenium"], capture_output=True).returncode == 0:
        return DEBIAN_PYTHON
    return None


def resize(driver, width):
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": width, "height": 900, "deviceScaleFactor": 1, "mobile": False})


def visit(driver, url, shot, widths):
    """The page's facts and the browser's DevTools events while it was open."""
    driver.set_script_timeout(60)
    resize(driver, 1200)
    driver.get_log("performance")  # what the browser's start page loaded
    driver.get(url)
    result = driver.execute_script(FACTS)
    result["seeks"] = []
    for where in ("svg .gap[data-file]", "button.gap", "svg .qc[data-file]", "button.qc"):
        count = driver.execute_script("return document.querySelectorAll(arguments[0]).length",
                                      where)
        result["seeks"] += [driver.execute_async_script(SEEK, where, k) for k in range(count)]
    failed = [s for s in result["seeks"] if "error" in s]
    if failed:
        raise RuntimeError("a click's script failed: %r" % failed)
    if shot:
        size = driver.execute_cdp_cmd("Page.getLayoutMetrics", {})["cssContentSize"]
        png = driver.execute_cdp_cmd("Page.captureScreenshot", {
            "format": "png", "captureBeyondViewport": True,
            "clip": {"x": 0, "y": 0, "width": size["width"], "height": size["height"],
                     "scale": 1}})
        with open(shot, "wb") as f:
            f.write(base64.b64decode(png["data"]))
    if driver.execute_script("return !!document.getElementById('tapes')"):
        result["table"] = driver.execute_script(TABLE)
    result["widths"] = [resize(driver, w) or driver.execute_async_script(BOXES) for w in widths]
    result["errors"] = [e["message"] for e in driver.get_log("browser") if e["level"] == "SEVERE"]
    return result, [json.loads(e["message"])["message"] for e in driver.get_log("performance")]


def look(page, shot=None, widths=()):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
    profile = tempfile.mkdtemp(prefix="chromium-")
    for flag in FLAGS + ["--user-data-dir=" + profile]:
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
    options.set_capability("unhandledPromptBehavior", "dismiss")
    service = Service(shutil.which("chromedriver") or "/usr/bin/chromedriver")
    url = pathlib.Path(os.path.abspath(page)).as_uri()
    try:
        driver = webdriver.Chrome(service=service, options=options)
        try:
            result, events = visit(driver, url, shot, widths)
        finally:
            driver.quit()
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    result["dialogs"] = [e["params"]["message"] for e in events
                         if e["method"] == "Page.javascriptDialogOpening"]
    requests = [e["params"]["request"]["url"] for e in events
                if e["method"] == "Network.requestWillBeSent"]
    # From the page's own request on.
    result["requests"] = requests[requests.index(url):] if url in requests else requests
    return result


if __name__ == "__main__":
    if python() not in (sys.executable, None):
        os.execv(python(), [python()] + sys.argv)
    widths = [int(w) for w in sys.argv[3].split(",")] if len(sys.argv) > 3 else []
    json.dump(look(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else None, widths), sys.stdout)
