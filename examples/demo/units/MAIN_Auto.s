# Quorva run-time. Licensed under the MIT licence.
# The automatic unit of the screen MAIN: the GUI cycle runs it once per cycle to animate the
# screen's figures (the screen comes with the screens; for now it does nothing).
@main cycle

.intel_syntax noprefix
.text
cycle:
    ret
