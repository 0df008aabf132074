# Quorva run-time. Licensed under the MIT licence.
# The demo's global variables: they live in the shared block that the editor side (qlink) reads.
@noncyclic
@var LEVEL : Real = 50 export
@var PUMP : Boolean = True export
@var HIGH : Boolean export
@var LOW : Boolean export
@var INFLOW : Real = 1.5 export
@var OUTFLOW : Real = 0.5 export
@var CYCLES : Integer export
@var STATUS : String = 'starting' export
