// The page's test hooks (window.brisqual) and its one line of messages to the user.

export const View = new URLSearchParams(location.search).get("view") === "classic" ? "classic" : "classroom";

// events: replay-script lines that, replayed from the start, give the curve
// on the screen (the classic view: every event the model received);
// repaints; ready; message: the last line shown to the user; firstFrame:
// milliseconds from navigation to the first frame.
export const brisqual = window.brisqual = { view: View, events: [], repaints: 0, ended: false, ready: false,
                                            message: "", firstFrame: 0 };

export function say(text) {
    brisqual.message = text;
    document.getElementById("status").textContent = text;
}
