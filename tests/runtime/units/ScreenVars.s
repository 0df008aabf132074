# Quorva run-time. Licensed under the MIT licence.
# The globals of the screen run test: the automatic unit raises CLICKED, the scan unit counts.
@noncyclic
@var CLICKED : Boolean export
@var COUNT : Integer export
