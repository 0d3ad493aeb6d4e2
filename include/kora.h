/*
 * kora: a finite-state network library.
 *
 * This is the whole public interface: plain records and functions, usable from C and C++.
 * The library's state is global, one copy per process: the default context (FST_CONTEXT below),
 * the interface parameters, the message callbacks, and the heaps, label maps, definitions and
 * tables that initialize_kora() makes and reclaim_kora() releases. It is single-threaded: never
 * call into it from two threads at once, with the one exception of applyers (see "Threads" at
 * init_apply below).
 *
 * Failures are reported, not thrown: no C++ exception ever leaves a function of this header.
 * Warnings and errors are delivered to the callbacks set with set_warning_function() and
 * set_error_function(), or printed on standard error as "\n*** Warning: %s ***\n" and
 * "\n*** ERROR: %s ***\n". An error ends the process only when parameter word
 * KORA_QUIT_ON_ERROR is set and word KORA_INTERACTIVE is not. Memory is bounded with
 * set_memory_limit(); an allocation the system refuses ends the process with
 * "Out of memory: OPERATION" and status 1.
 */
#ifndef KORA_H
#define KORA_H

#include <stdint.h>
#include <stdio.h>

#if defined(KORA_BUILDING_LIBRARY)
#define KORA_API __attribute__((visibility("default")))
#else
#define KORA_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---------------------------------------------------------------------------------------------
 * Interface parameters: 51 signed 32-bit words that steer the library. Callers read and write
 * them directly through int_parameters()->word[position]; the positions are fixed.
 * ------------------------------------------------------------------------------------------- */

#define KORA_PARAMETER_COUNT 51

typedef struct INT_PARAMETERS {
  int32_t word[KORA_PARAMETER_COUNT];
} INT_PARAMETERS;

enum {
  KORA_ERROR_COUNT = 0,           /* errors seen by the current compilation */
  KORA_MAX_ERRORS = 1,            /* the regex parser gives up past this many errors (10) */
  KORA_ERROR_SEEN = 4,            /* set to 1 by error reporting when KORA_QUIT_ON_ERROR is set */
  KORA_REPORT_BAD_CHARS = 10,     /* report bad characters during conversion (1) */
  KORA_VERBOSE = 12,              /* informational messages (1) */
  KORA_RECORD_REGEX_SOURCE = 15,  /* keep the source of a compiled regex as its SOURCE property */
  KORA_MINIMIZE = 16,             /* minimize the results of calculus operations (1) */
  KORA_QUIT_ON_ERROR = 17,        /* an error ends the process unless KORA_INTERACTIVE is set (1) */
  KORA_OBEY_FLAGS = 20,           /* applyers obey flag diacritics on the input side (1) */
  KORA_READ_BY_DEFINITION = 22,
  KORA_COMPOSE_FLAG_AS_SPECIAL = 24,
  KORA_VECTORIZE_THRESHOLD = 27,  /* (50) */
  KORA_COMPOSE_FAILURE_TOKENS = 28,
  KORA_PRINT_SPACE = 38,          /* applyers write a blank between the symbols of a result */
  KORA_SHOW_FLAGS = 39,           /* applyers write the flag diacritics of a result */
  KORA_APPLY_BOTH_SIDES = 40,     /* applyers write both sides of a result in pair notation */
  KORA_COUNT_PATTERNS = 41,       /* pattern applyers count the matches of each tag (0) */
  KORA_MARK_PATTERNS = 42,        /* pattern applyers write <tag> and </tag> around matches (1) */
  KORA_DELETE_PATTERNS = 43,      /* pattern applyers leave the matches out (0) */
  KORA_CHAR_ENCODING = 44,        /* 1 = UTF-8, 2 = ISO-8859-1 (1) */
  KORA_EXTRACT_PATTERNS = 46,     /* pattern applyers write only the matches, one per item (0) */
  KORA_INTERACTIVE = 47,          /* errors never end the process (1) */
  KORA_PROLOG_ONE_PASS = 48,      /* read_prolog reads the standard input in one pass (0) */
  KORA_LOCATE_PATTERNS = 49,      /* pattern applyers write "START\tLENGTH\tTAG" per match (0) */
  KORA_MAX_PATH_DEPTH = 37        /* the longest path a pattern search follows (5000) */
};

/* Character encodings of thin (8-bit) text. */
enum { KORA_UTF8 = 1, KORA_LATIN1 = 2 };

/* ---------------------------------------------------------------------------------------------
 * Networks, states, arcs and alphabets.
 *
 * A label id is a 24-bit number naming a symbol or a symbol pair in the label map; 0 is
 * EPSILON (the empty string), 1 is OTHER (any symbol outside the sigma), and the id of a single
 * ASCII character is its code. KORA_NO_LABEL (0xFFFFFF) means no label.
 * ------------------------------------------------------------------------------------------- */

#define KORA_NO_LABEL 0xFFFFFFu
#define KORA_EPSILON 0u
#define KORA_OTHER 1u

/* An alphabet: a set of label ids in binary form (items[i] is 1 when i is a member; len is one
 * more than the largest possible member) or in label form (items holds len member ids). */
typedef struct ALPH {
  int len;
  int max;          /* capacity of items */
  uint32_t *items;
  uint8_t type;     /* KORA_BINARY_ALPH or KORA_LABEL_ALPH */
  uint8_t live;     /* 1 while the alphabet exists */
} ALPH;

enum { KORA_BINARY_ALPH = 0, KORA_LABEL_ALPH = 1 };

#define ALPH_len(a) ((a)->len)
#define ALPH_max(a) ((a)->max)
#define ALPH_items(a) ((a)->items)
#define ALPH_item(a, i) ((a)->items[i])
#define ALPH_type(a) ((a)->type)

typedef struct STATE STATE;
typedef struct ARC ARC;

struct STATE {
  ARC *arcs;                    /* head of the state's arc list */
  struct {
    uint16_t is_state : 1;      /* always 1 in a state, 0 in an arc */
    uint16_t final : 1;
    uint16_t deterministic : 1; /* no two arcs with one label, no EPSILON arc */
    uint16_t vectorized : 1;    /* arcs is an arc vector */
    uint16_t visit_mark : 8;    /* scratch of traversals */
    uint16_t apply_mark : 1;
    uint16_t share_mark : 1;
    uint16_t table_arcs : 1;    /* the arcs belong to a transition table */
    uint16_t live : 1;
  } flags;
  STATE *next;                  /* next state of the network */
  void *client_cell;            /* scratch word of algorithms */
};

struct ARC {
  STATE *destination;
  struct {
    uint16_t is_state : 1;      /* always 0 in an arc */
    uint16_t optimized : 1;
    uint16_t visit_mark : 2;
    uint16_t big : 1;           /* a big arc: carries a user pointer */
    uint16_t unused : 2;
    uint16_t live : 1;
    uint16_t spare : 8;
  } flags;
  uint32_t label : 24;
  uint32_t label_spare : 8;
  ARC *next;                    /* next arc of the same state */
};

#define STATE_arcs(s) ((s)->arcs)
#define STATE_final(s) ((s)->flags.final)
#define STATE_deterministic(s) ((s)->flags.deterministic)
#define STATE_next(s) ((s)->next)
#define STATE_client_cell(s) ((s)->client_cell)
#define ARC_destination(a) ((a)->destination)
#define ARC_label(a) ((a)->label)
#define ARC_next(a) ((a)->next)

typedef struct NET {
  ALPH *labels;                 /* the labels on the arcs, normally in label form */
  ALPH *sigma;                  /* the symbols the network knows, normally in binary form */
  struct {
    uint16_t deterministic : 1;
    uint16_t pruned : 1;
    uint16_t completed : 1;
    uint16_t minimized : 1;
    uint16_t epsilon_free : 1;
    uint16_t sorted_states : 1;
    uint16_t loop_free : 1;
    uint16_t twol : 1;
    uint16_t visit_marks_dirty : 1;
    uint16_t paths_indexed : 1;
    uint16_t shared_arc_lists : 1;
    uint16_t has_arc_user_pointer : 1;
    uint16_t closed_sigma : 1;
    uint16_t start_final : 1;
    uint16_t tabular : 1;
    uint16_t compacted : 1;
  } flags;
  struct {
    uint16_t upper_sequentialized : 1;
    uint16_t lower_sequentialized : 1;
    uint16_t epsilon_brackets : 1; /* bit 2 (mask 4): the empty string of the language is
                                      matched at most once per position in replace rules */
    uint16_t upper_has_flags : 1;
    uint16_t lower_has_flags : 1;
    uint16_t left_bimachine : 1;
    uint16_t right_bimachine : 1;
    uint16_t sorted_arcs : 1;
    uint16_t reduced_labelset : 1;
    uint16_t vantel_compressed : 1;
    uint16_t is_virtual : 1;
    uint16_t optimized : 1;
    uint16_t live : 1;
    uint16_t has_arc_vectors : 1;
    uint16_t upper_bounded_known : 1;
    uint16_t lower_bounded_known : 1;
  } flags2;
  int16_t arity;                /* 1 for automata, 2 for transducers */
  uint32_t definition_label;    /* the name this network is defined under, or KORA_NO_LABEL */
  int match_table_count;
  void *label_map;              /* the label map in force when the network was made */
  void *upper_match_table;
  void *lower_match_table;
  void *upper_tables;
  void *lower_tables;
  ALPH *optimized_alph;
  ALPH *vectorized_alph;
  ALPH *unreduce_key;
  STATE *start;
  STATE *states;                /* all states, singly linked through STATE_next */
  void *arc_vector_heap;
  int arc_vector_count;
  void *properties;
  void *upper_parse_table;
  void *lower_parse_table;
  uint32_t num_states;
  uint32_t num_arcs;
  uint32_t block_size;
  ALPH *auxiliary_alph;
  void *virtual_info;           /* a virtual network's description; a compacted one's block */
  void *mapping;                /* the library's index of a network built by add_arc_to_state */
} NET;

#define NET_labels(n) ((n)->labels)
#define NET_sigma(n) ((n)->sigma)
#define NET_arity(n) ((n)->arity)
#define NET_start_state(n) ((n)->start)
#define NET_states(n) ((n)->states)
#define NET_num_states(n) ((n)->num_states)
#define NET_num_arcs(n) ((n)->num_arcs)
#define NET_definition_label(n) ((n)->definition_label)
#define NET_unreduce_key(n) ((n)->unreduce_key)
#define NET_deterministic(n) ((n)->flags.deterministic)
#define NET_pruned(n) ((n)->flags.pruned)
#define NET_minimized(n) ((n)->flags.minimized)
#define NET_epsilon_free(n) ((n)->flags.epsilon_free)
#define NET_loop_free(n) ((n)->flags.loop_free)
#define NET_compacted(n) ((n)->flags.compacted)

/* A net vector: `len` networks, passed together (the networks of a file, the operands of an
 * operation on several networks). A net vector does not own its networks unless the function
 * that hands it over says so. */
typedef struct NV {
  int len;
  NET **nets;
} NV;

#define NV_len(nv) ((nv)->len)
#define NV_net(nv, i) ((nv)->nets[i])

/* ---------------------------------------------------------------------------------------------
 * The library context.
 * ------------------------------------------------------------------------------------------- */

typedef struct STRING_BUFFER STRING_BUFFER; /* growable thin or fat string */
typedef struct PAGE PAGE;                   /* formatted output with margins */
typedef struct LAB_VECTOR LAB_VECTOR;       /* growable vector of label ids */

#define KORA_HEADER_NAME_COUNT 7

typedef struct FST_CONTEXT {
  int spare0;
  int owned;                    /* 1 when reclaiming frees the record and its parameter copy */
  const char *copyright_holder; /* default copyright holder of saved files */
  int spare3;
  int map_arc_blocks;           /* 1: compacted networks loaded from files map their arc block
                                   from the file instead of reading it into memory; 0 */
  int in_char_encoding;         /* encoding of text read: KORA_UTF8 or KORA_LATIN1 */
  int out_char_encoding;        /* encoding of text written */
  int message_buffer_size;
  FILE *message_file;           /* where multi-part messages are assembled */
  char *message_buffer;         /* the memory message_file writes the message into */
  INT_PARAMETERS *parameters;
  STRING_BUFFER *thin_buffer;   /* scratch, 80 one-byte characters */
  STRING_BUFFER *wide_buffer;   /* scratch, 80 four-byte characters */
  PAGE *page;                   /* 1920 characters, indentation 0, right margin 72 */
  LAB_VECTOR *label_vector;     /* scratch, 512 label ids */
  char *output_buffer;          /* line output of printing */
  int output_buffer_size;       /* 10000 */
  int line_width;               /* 72 */
  const char *eol_string;       /* ends every output line: "\r\n"; the caller may set "\n" */
  int *index_buffer;            /* scratch */
  int index_buffer_size;        /* 10000 */
  const char *header_names[KORA_HEADER_NAME_COUNT]; /* standard header properties of files */
  int header_name_count;
  int show_progress;            /* draw a progress bar on standard error while saving or loading
                                   (loading: also needs KORA_VERBOSE) a network of 2500 arcs or
                                   more; 0 */
  size_t memory_limit;          /* bytes the library may hold; 0 (the default) for no limit; set
                                   with set_memory_limit() */
} FST_CONTEXT;

/* Fills the default context, creates the memory heaps and the label maps, and returns the
 * default context. Call it once before anything else; it may be called again after
 * reclaim_kora(), which starts afresh. */
KORA_API FST_CONTEXT *initialize_kora(void);

/* Releases everything the library holds: every network, definition, label and heap, and the
 * context's buffers. Every pointer the library handed out becomes invalid. */
KORA_API void reclaim_kora(FST_CONTEXT *context);

/* The default context; before initialize_kora() it exists but is not filled. */
KORA_API FST_CONTEXT *get_default_kora_context(void);

/* The interface parameters; the record is the library's, callers write its words directly. */
KORA_API INT_PARAMETERS *int_parameters(void);

/* Sets the encoding of text read and written (and word KORA_CHAR_ENCODING) to KORA_UTF8 or
 * KORA_LATIN1 and returns 0. Any other code is reported as an error and returns 1, changing
 * nothing. */
KORA_API int set_char_encoding(FST_CONTEXT *context, int code);

/* Sets only the encoding of text read. 1 and 2 are taken as given, anything else means UTF-8.
 * Returns 0. */
KORA_API int set_input_char_encoding(FST_CONTEXT *context, int code);

/* Limits the memory that the library's heaps and working tables may hold (networks, states,
 * arcs, the tables of determinization, minimization and composition, results of lookups) to
 * `bytes`; 0, the default, sets no limit. A call that would pass the limit stops with the error
 * "Memory limit exceeded: OPERATION (limit N bytes)" (OPERATION the function's name in upper
 * case, e.g. READ_REGEX), frees the networks it made and returns its failure value (null for a
 * network); networks given with a keep flag (or a copy flag of 1) are left as they were, and
 * the library stays usable. A network that the call was changing in place (a copy flag of 0,
 * minimize_net) is left a valid network with an unspecified language: free it. The limit is that of the default context (pass it or null); it
 * counts what the library holds at once, networks kept by the caller included, and is reset by
 * reclaim_kora().
 *
 * Without a limit, an allocation that the system refuses ends the process with
 * "Out of memory: OPERATION" and exit status 1, as does any allocation failure. */
KORA_API void set_memory_limit(FST_CONTEXT *context, size_t bytes);

/* ---------------------------------------------------------------------------------------------
 * Errors and warnings. A callback receives the finished message, an empty string and 0.
 * A null callback restores printing on standard error.
 * ------------------------------------------------------------------------------------------- */

typedef void (*kora_message_function)(const char *message, const char *extra, int code);

KORA_API void set_error_function(kora_message_function function);
KORA_API void set_warning_function(kora_message_function function);

/* ---------------------------------------------------------------------------------------------
 * Building networks by hand. Every network returned belongs to the caller, who frees it with
 * free_network().
 * ------------------------------------------------------------------------------------------- */

/* A network with no states, no start state and empty alphabets. */
KORA_API NET *make_empty_net(void);

/* The network that accepts nothing: one non-final start state without arcs. */
KORA_API NET *null_net(void);

/* The network that accepts only the empty string. */
KORA_API NET *epsilon_net(void);

/* The network of one path labelled `label` (epsilon_net() for EPSILON). A pair with OTHER on one
 * side and a symbol x on the other also gets an arc labelled x. */
KORA_API NET *label_net(uint32_t label);

/* label_net() of the symbol named `name` (UTF-8 or ISO-8859-1, as the context reads). In a
 * UTF-8 name each byte that is not part of a valid sequence is warned about and read as the
 * code U+FDFF, as string_to_net and define_net read it, so all three name the same symbol. */
KORA_API NET *symbol_net(const char *name);

/* label_net() of the pair upper:lower of two symbol ids (a:a is the symbol a). */
KORA_API NET *pair_net(uint32_t upper, uint32_t lower);

/* Adds a state (final when `final` is nonzero) to the network and returns it; null with an
 * error for a null network. O(1).
 * Deliberately, the network loses the marks that a new state, unreachable and without arcs,
 * may make false: pruned, minimized, completed and sorted_states. */
KORA_API STATE *add_state_to_net(NET *net, int final);

/* Adds an arc labelled `label` from `state` to `dest`, both states of `net`, at the head of the
 * state's arcs and returns it; the label joins the network's labels (at the end of the list)
 * and its symbols the sigma. With `with_user_pointer` the arc carries `user_pointer`. Returns
 * null, changing nothing, for bad arguments (reported as errors), for an EPSILON loop and for
 * a duplicate of an existing arc: same label and destination, and for an arc with a user
 * pointer, an arc with the same user pointer (reported on standard error when verbose).
 * O(1) on average: the network keeps an index of its states, arcs and labels (in `mapping`),
 * made on the first call (O(states + arcs)) and made again when the network was changed by
 * other means since the last call, and freed with the network.
 * Deliberately, the network loses the marks that a new arc may make false: loop_free,
 * minimized, pruned and sorted_arcs; deterministic too (and the state's own mark) for an
 * EPSILON arc or a label the state already has on an arc to another state, and epsilon_free
 * for an EPSILON arc. Marks are never set. */
KORA_API ARC *add_arc_to_state(NET *net, STATE *state, uint32_t label, STATE *dest,
                               void *user_pointer, int with_user_pointer);

/* A deep copy of the network (null for null), belonging to the caller. */
KORA_API NET *copy_net(NET *net);

/* Frees the network with its states, arcs, alphabets and properties. Null and a network
 * already freed are ignored. */
KORA_API void free_network(NET *net);

/* Prints a listing of the network on `stream` (the standard output when null): "Net: " and its
 * NETWORKNAME, its flags, its arity, then one line per state ("s0: ", "fs1: " for a final state)
 * with its arcs written "label -> destination", or "(no arcs)". States are numbered in the
 * standard order (breadth-first from the start state), which the state list is put in first;
 * the network is otherwise unchanged and stays the caller's. Lines end with the context's
 * eol_string and wrap at its line_width. A null network is reported as an error and prints
 * nothing. */
KORA_API void print_net(NET *net, FILE *stream);

/* The network as a Graphviz DOT digraph, in a string allocated with malloc that the caller frees
 * with free(). States are numbered as print_net numbers them (the state list is put in the
 * standard order first; the network is otherwise unchanged) and drawn as circles, final states
 * as double circles, the start state pointed at by an arrow from an invisible node. All arcs
 * from one state to another make one edge labelled with their labels in arc order, separated by
 * ", ", each spelled as print_net spells it ("a:b" for a pair, 0 for EPSILON, ? for OTHER), with
 * '"' and '\' escaped for DOT. Returns null with an error for a null network ("Unexpected NULL
 * pointer in network_to_dot()."), a compacted or virtual one, and one of more than `max_states`
 * states ("network_to_dot: The network has %lu states, more than the %ld allowed."); a
 * `max_states` of 0 or less sets no limit. */
KORA_API char *network_to_dot(NET *net, long max_states);

/* ---------------------------------------------------------------------------------------------
 * Alphabets: sets of label ids in binary or label form (see ALPH). Functions that take a `copy`
 * flag work on a copy of the alphabet when it is nonzero, else in place. In the set operations
 * an operand whose keep flag is 0 is handed over: it is freed, or becomes the result. Alphabets
 * belong to whoever holds them; a network's own alphabets belong to the network.
 * ------------------------------------------------------------------------------------------- */

/* Converts the alphabet in place to label form (members in increasing order) and returns it;
 * null gives null, an alphabet already in label form is returned as it is. */
KORA_API ALPH *binary_to_label(ALPH *alph);

/* Converts the alphabet in place to binary form (length = largest member + 1) and returns it;
 * null gives null, an alphabet already in binary form is returned as it is. */
KORA_API ALPH *label_to_binary(ALPH *alph);

/* 1 when `id` is a member of the alphabet, else 0 (also for a null alphabet). */
KORA_API int test_alph_member(ALPH *alph, uint32_t id);

/* Adds `id` to the alphabet (or to a new copy of it, with `copy`) and returns the alphabet that
 * holds it. EPSILON and ids above 0xFFFFFE are not added. Null gives null. */
KORA_API ALPH *alph_add_to(ALPH *alph, uint32_t id, int copy);

/* Removes `id` from the alphabet (or from a new copy of it, with `copy`) and returns that
 * alphabet. A binary alphabet that loses its largest member is shortened to one more than the
 * largest member left. Null gives null. */
KORA_API ALPH *alph_remove_from(ALPH *alph, uint32_t id, int copy);

/* The union, in binary form: `a` itself, or a new copy of it with `copy_a`, receives the members
 * of `b`; `b` is freed unless `keep_b`. A null `a` gives `b` (a copy of it with `keep_b`); a
 * null `b` gives `a` (or its copy). */
KORA_API ALPH *union_alph(ALPH *a, ALPH *b, int copy_a, int keep_b);

/* The intersection, in binary form: the shorter operand (a copy of it when it is kept) without
 * the members the other lacks. Kept operands return to the form they had. A null operand
 * counts as empty: the result is then a new empty alphabet. */
KORA_API ALPH *intersect_alph(ALPH *a, ALPH *b, int keep_a, int keep_b);

/* The difference a - b, in binary form, its length trimmed to one more than its largest member.
 * The result is `a` itself when `a` is handed over (keep_a 0), else a new alphabet. A null `a`
 * gives a new empty alphabet; a null `b` takes nothing away. */
KORA_API ALPH *minus_alph(ALPH *a, ALPH *b, int keep_a, int keep_b);

/* 1 when both alphabets have the same members (whatever their forms and lengths), else 0. A
 * null alphabet counts as empty. Both operands keep their forms. */
KORA_API int test_equal_alphs(ALPH *a, ALPH *b);

/* The network's label set (owned by the network), computed from its arcs when it has none. Null
 * for a null network. */
KORA_API ALPH *net_labels(NET *net);

/* The network's sigma (owned by the network), computed from its labels when it has none (and
 * the labels from the arcs, with the warning "sigma: NET_labels is NULL.", when those are
 * missing too). Null for a null network. */
KORA_API ALPH *net_sigma(NET *net);

/* A new network (the caller's) of the one-symbol strings of the alphabet's members: a start
 * state with an arc to one final state for every member; the start state is final, and has no
 * arc for it, when EPSILON is a member. Its labels are the members and its sigma their symbols.
 * A null alphabet gives label_net(OTHER); an alphabet without members gives null_net(). The
 * alphabet stays the caller's, unchanged. */
KORA_API NET *alphabet_net(ALPH *alph);

/* Recomputes the network's labels from its arcs and its sigma from the labels, keeping the
 * sigma symbols that no label used, and sets its arity. Labels and sigma must be both present
 * or both absent: anything else is a fatal programming error. A null network is ignored. */
KORA_API void update_net_labels_and_sigma(NET *net);

/* The name of the symbol on side `side` (0 upper, 1 lower) of the label `label` of the current
 * label map, in the context's output encoding, as a new string (the caller's, freed with
 * free()). A symbol is its own upper and lower side; EPSILON gives "", OTHER "?". Null, with
 * the error "label_side_name: No label %u or no side %d.", for an id the label map never gave
 * out or another side. */
KORA_API char *label_side_name(uint32_t label, int side);

/* ---------------------------------------------------------------------------------------------
 * Identification and file names.
 * ------------------------------------------------------------------------------------------- */

/* Constant strings owned by the library. */
KORA_API const char *libkora_version(void);
KORA_API const char *libkora_build(void);

/* With null, returns the copyright holder written into saved files (owned by the library).
 * Otherwise replaces it by a copy of holder and returns the new one. */
KORA_API const char *copyright_holder(const char *holder);

/* Returns a new string (free it with free()): "" gives the current directory followed by "/";
 * a name starting with "~" gives the home directory followed by "/" and what comes after the
 * first "/" of the name; any other name is copied. */
KORA_API char *expand_file_name(const char *name);

/* ---------------------------------------------------------------------------------------------
 * Network properties: named values that a network carries (its name, the regular expression
 * that defined it, any attribute a caller adds). Keys and values passed in are C strings in the
 * context's input encoding; strings returned are in its output encoding.
 * ------------------------------------------------------------------------------------------- */

/* Sets the property `key` of the network to the string `value`; both are copied. A key already
 * present keeps its place and gets the new value. Returns 0, or 1 with an error when an argument
 * is null. */
KORA_API int add_string_property(NET *net, const char *key, const char *value);

/* The value of the property `key` as a string: an integer in decimal, a character as a
 * one-character string, a string as itself, a symbol as its name. The result is always newly
 * allocated with malloc and belongs to the caller, who frees it with free(). Returns null
 * silently when the network has no such property, and null with an error when the value is of
 * another type ("Cannot coerce a value of type '%s' into a string.") or an argument is null. */
KORA_API char *get_string_property(NET *net, const char *key);

/* Removes the property `key` from the network and frees it; a value that was not a string is
 * removed all the same, with a warning. Returns 0, or 1 when the network has no such property
 * (with a warning) or an argument is null (with an error). */
KORA_API int remove_string_property(NET *net, const char *key);

/* Properties text: a network's properties one per line, in list order, as "KEY: VALUE", each
 * value written by its type: an integer in decimal (-12), a character between single quotes
 * ('a'), a string between double quotes ("nouns"), a symbol bare (Noun; ":" first when the name
 * is empty or would read as a number: :123), an array as "< " elements " >", a list as "( "
 * elements " )", a byte block as "#", two hexadecimal digits a byte, "#" (#00FF#). Backslash
 * escapes: \\, \n, \t, \r, \xHH for other control characters, \uHHHH and \UHHHHHHHH for
 * characters the output encoding cannot hold, \" in strings, \' in characters, and in bare
 * keys and symbols before a blank or one of : , [ ] < > ( ) ' " (and a leading #). */

/* Writes the network's properties to the file `file_name` (created or replaced), or to the
 * standard output when it is null, in the output encoding. Returns 0; 1 with an error for a
 * null network ("NULL network has no properties."), a file that cannot be opened ("Cannot open
 * '%s'.") or written ("Cannot write to '%s'."), and a value that has no written form (a bare
 * object: "print_object: Illegal object type \"Object\""), whose property is left out while
 * the others are written. With KORA_VERBOSE, "Opening output file '%s'" and "Closing output
 * file '%s'" go to standard error. */
KORA_API int write_net_properties(NET *net, const char *file_name);

/* Reads the properties of the properties text `file_name` (the standard input when null) into
 * the network, one a line: a key the network has gets the new value in its place, another key
 * is added at the end. Empty lines and lines whose first character (after blanks) is "#" are
 * skipped. A list of symbols is read as a symbol package, an array of symbols as symbol objects
 * (the form of a pair), a sequence of items of one other type as a sequence of that type,
 * anything else as a sequence of objects. A line that does not
 * read is printed on standard error as "WARNING: MESSAGE at TEXT" and "Aborting", and left
 * out; the messages are "Invalid Properpty Name", "Invalid Character definition", "Invalid
 * String definition", "Invalid Symbol definition", "Illegal value", "Error in Value", "Error
 * found" and "Package no more supported" (for PACKAGE:NAME and [ ... ]). Returns 0, also when a
 * line was left out; 1 for a null network ("NULL network cannot have any properties") and for a
 * file that is not text; 9 with "Cannot open '%s'." when the file cannot be opened. */
KORA_API int read_net_properties(NET *net, const char *file_name);

/* ---------------------------------------------------------------------------------------------
 * Definitions: a symbol name can be defined as a network or as a symbol list (an alphabet), and
 * regular expressions refer to them by name. Names are C strings in the context's input
 * encoding. A name defined both ways must have compatible definitions: the list's one-symbol
 * strings must be the network's language.
 * ------------------------------------------------------------------------------------------- */

/* Defines `name` as the network `net`, or as a copy of it when `copy` is 1; an old network
 * definition of the name is freed. Without a copy the library owns `net` from now on: freeing
 * it later with free_network() also removes the definition, with a warning. When parameter word
 * KORA_READ_BY_DEFINITION is set, a network that refers to its own name is first turned into a
 * cycle through its start state. Returns 0. Returns 1, with `net` still the caller's and the
 * definitions unchanged: for a null `net` ("Null network in 'define_net()'."), a null or empty
 * name, and a name defined as a symbol list that the network does not agree with. */
KORA_API int define_net(const char *name, NET *net, int copy);

/* The network defined under `name`: the definition itself (still the library's) or, when `copy`
 * is 1, a copy that belongs to the caller. An undefined name reports "No definition for '%s'."
 * and gives null; a null name gives null. */
KORA_API NET *get_net(const char *name, int copy);

/* get_net(name, 0). */
KORA_API NET *net(const char *name);

/* Removes the network definition of `name` and frees the network; returns 0. An undefined name
 * reports "No definition for '%s'." and returns 3; a null name returns 3. */
KORA_API int undefine_net(const char *name);

/* Defines `name` as the symbol list `alph`: `alph` is put in binary form in place and a copy of
 * it is defined (`alph` stays the caller's). An old list of the name is replaced. Returns 0;
 * returns 1 when an argument is null or when the name is defined as a network that the list
 * does not agree with. */
KORA_API int define_symbol_list(const char *name, ALPH *alph);

/* The symbol list defined under `name`: the definition itself (still the library's) or, when
 * `copy` is 1, a copy that belongs to the caller. A name without a list reports
 * "'%s' has no list definition." and gives null; a null name gives null. */
KORA_API ALPH *get_symbol_list(const char *name, int copy);

/* get_symbol_list(name, 0). */
KORA_API ALPH *symbol_list(const char *name);

/* Frees the symbol list defined under `name` and returns 0. A name without a list reports
 * "'%s' has not been defined as a symbol_list." and returns 1; a null name returns 1. */
KORA_API int undefine_symbol_list(const char *name);

/* Defines the regex function given by `prototype`, "Name(p1, p2, ...)" (the name ends with its
 * "(", no blanks inside names or parameters), with the regular expression `body`, in which the
 * parameters stand for the arguments of a call. The body is checked by compiling it (unless it
 * reads files or uses Implode(), every parameter must occur in it as a symbol, and an earlier
 * function of the name is replaced (with a warning when verbose). The library copies both
 * texts. Returns 0, or 1 after reporting a malformed prototype, a system function's name
 * ("'UpCase(' is a system function. It cannot be redefined."), a body that does not compile
 * or a parameter the body lacks; a refused definition changes nothing. */
KORA_API int define_function(const char *prototype, const char *body);

/* ---------------------------------------------------------------------------------------------
 * Net vectors and network files. A network file holds any number of networks; saving and
 * loading keep states, arcs, labels, sigma, flags and properties (arcs' user pointers are not
 * stored). File names are expanded as expand_file_name() does. The context argument may be
 * null (the default context is used).
 * ------------------------------------------------------------------------------------------- */

/* A new net vector of `count` null entries, owned by the caller (free_nv). */
KORA_API NV *make_nv(int count);

/* Frees the vector's record; its networks stay their owners'. Null is ignored. */
KORA_API void free_nv(NV *nv);

/* Frees every network of the vector, then the record. Null is ignored. */
KORA_API void free_nv_and_nets(NV *nv);

/* Writes the networks of `nv` to the file, which is created or replaced; the networks stay the
 * caller's (each written state's client cell holds its file number plus one). The header holds
 * the time of writing, or, when the environment variable SOURCE_DATE_EPOCH holds a number of
 * Unix seconds (the reproducible-builds convention), that time: equal networks saved under it
 * give equal bytes. Another value warns "SOURCE_DATE_EPOCH='%s' is not a number of seconds: the
 * clock's time is used.". A network that
 * cannot be written (a representation without a writer, a symbol with a character above
 * U+FFFF) is reported and has location 0 in the file; the others are written. Returns 0; 3 for
 * a null vector; 1 with "Only %d nets present. Cannot write %d." and nothing written when some
 * entries are null; 9 with "Cannot open '%s'." when the file cannot be written. */
KORA_API int save_nets(NV *nv, const char *file_name, FST_CONTEXT *context);

/* Saved files (save_nets, save_net, save_net_to_memory) hold `seconds` (Unix time, at least 0)
 * as their time of writing, before SOURCE_DATE_EPOCH and the clock, until set_save_time(-1)
 * gives the time back to them. */
KORA_API void set_save_time(long long seconds);

/* save_nets() of the one network; 3 for a null network. */
KORA_API int save_net(NET *net, const char *file_name, FST_CONTEXT *context);

/* The networks of the file, in a new vector that the caller owns with its networks
 * (free_nv_and_nets). A network that cannot be read is reported and left out, so the vector may
 * be shorter than the file's count; one whose record length does not match is replaced by an
 * empty network (one non-final state). Null, reported, when the file cannot be opened ("Cannot
 * open input file '%s'."), is no network file (a text file, an unknown type), has a bad header
 * ("Bad file header. '%s' cannot be loaded.") or no network could be read. The marks a file
 * claims for a network are not taken on trust where its arcs show them false: loop_free (a
 * cycle), deterministic and minimized (a state with an EPSILON arc or two arcs with one label),
 * epsilon_free (an EPSILON arc) and completed (a state with fewer arcs than the sigma has
 * symbols) are then cleared, silently; the network is loaded as its arcs say. */
KORA_API NV *load_nets(const char *file_name, FST_CONTEXT *context);

/* The first network of the file (the caller's), converted from a two-level network to a
 * standard one when it is marked as such; null as load_nets(), with "Cannot open '%s'." when
 * the file cannot be opened. */
KORA_API NET *load_net(const char *file_name, FST_CONTEXT *context);

/* The bytes of a network file holding the one network, as save_net() would write them, in a
 * new buffer (the caller's, freed with free()) whose size goes to *length. The network stays the
 * caller's. Null, with *length 0, for a null argument ("save_net_to_memory: Unexpected NULL
 * argument.") and for a network the file format refuses (reported as by save_nets). */
KORA_API unsigned char *save_net_to_memory(NET *net, size_t *length, FST_CONTEXT *context);

/* The first network of the `length` bytes of a network file (the caller's), as load_net() reads
 * it from a file; the bytes stay the caller's. Null, reported as by load_nets() (the name in
 * messages being "memory"), for bytes that are not a network file; null with
 * "load_net_from_memory: Unexpected NULL argument." for null bytes. */
KORA_API NET *load_net_from_memory(const unsigned char *bytes, size_t length,
                                   FST_CONTEXT *context);

/* Saves every defined network in one file, each with its name as property NETWORKNAME and the
 * character D as property TYPE (the networks stay defined). `mode` is unused. Returns 0, or 1
 * with the warning "No definitions" when there are none, or the status of save_nets(). */
KORA_API int save_defined_nets(const char *file_name, int mode);

/* Defines each network of the file that has a string NETWORKNAME under that name (as define_net
 * without copy); the others are freed, with a warning when some or all had no name. Returns 0,
 * or 1 with the error "No definitions." when no network could be read. */
KORA_API int load_defined_nets(const char *file_name);

/* load_defined_nets(), then a copy (the caller's) of the network defined as `name`; null with
 * "No network named '%s' in '%s'." when no network of the file has that name. */
KORA_API NET *load_defined_net(const char *name, const char *file_name);

/* Prints the header of a network file (type, date, notice, network count) and one summary line
 * per network (its name, size, states, arcs and paths) on `stream` (standard output when null),
 * followed, for a network kept arc-optimized or with a reduced labelset, by a line
 * "   Form: arc-optimized, reduced labelset" naming the forms it is in, and for a virtual network
 * by a line "   Virtual: compose(compose([5 states, 7 arcs], [3 states, 9 arcs]), [4 states,
 * 4 arcs])" saying what it is built of (its own counts are of the states made so far). Returns 0, or 1
 * (reported) when the file cannot be loaded. */
KORA_API int print_file_info(const char *file_name, FILE *stream);

/* ---------------------------------------------------------------------------------------------
 * Boundedness. The network stays the caller's; the answer may be cached in its flags.
 * ------------------------------------------------------------------------------------------- */

/* 1 when the network has no cycle reading nothing on its upper side (every arc of the cycle a
 * pair 0:x, or one of the markers ALTCHAIN and _DET_EPSILON_), so that each upper string is
 * matched by finitely many lower strings; else 0. Plain EPSILON arcs are not followed: a cycle of
 * them alone is not seen (epsilon removal, which minimize_net does, takes such cycles away). A
 * loop-free network answers 1; a compacted one cannot be checked and answers 1 with a warning.
 * A null network is reported as an error and answers 0. */
KORA_API int test_upper_bounded(NET *net);

/* The same for the lower side (cycles of pairs x:0). */
KORA_API int test_lower_bounded(NET *net);

/* ---------------------------------------------------------------------------------------------
 * Minimization.
 * ------------------------------------------------------------------------------------------- */

/* Replaces the network, in place, by the smallest deterministic network with the same relation:
 * useless states and EPSILON arcs go, equivalent states are merged, and OTHER leaves the sigma
 * when no arc uses it. Labels count as atomic (a pair is one label, OTHER is one label) and arcs
 * whose user pointers differ are never merged. The network stays the caller's; its start state
 * may be replaced by an equivalent one, so read it from the network afterwards. Returns 0; returns
 * 1, reporting "%s cannot be minimized." and changing nothing, for a null network ("A NULL
 * pointer"), one without a start state, and a vectorized, compacted, arc-optimized or
 * shared-arc network. */
KORA_API int minimize_net(NET *net);

/* ---------------------------------------------------------------------------------------------
 * Vectorization: arc vectors in place of long arc lists. A state with at least `threshold` arcs
 * keeps them as an arc vector, one destination slot per label of the network, in which the arc
 * for a label is found by indexing; states with fewer arcs keep their lists. An applyer reads a
 * vectorized network into the same compact index as the plain one (whose tables already find
 * the arc of a wide state in one step), so lookups find the same results at the same speed. A
 * vectorized network applies, copies
 * (copy_net gives a plain copy), prints and saves (as the plain network) like any other, and is
 * refused by the operations that edit arcs ("Cannot do this operation on a vectorized
 * network."): unvectorize it first. Memory: one pointer per label per vectorized state.
 * ------------------------------------------------------------------------------------------- */

/* Vectorizes `net` and every network it inserts (@I.name@ flags naming defined networks), each
 * in place: the states with `threshold` arcs or more (a network's property "VECTORIZE-N", an
 * array whose second field is an integer, sets its own threshold instead; a trailing ALTCHAIN
 * arc of an optimized network counts the arcs it leads to). Parameter word
 * KORA_VECTORIZE_THRESHOLD holds `threshold` during the call. Returns the number of states
 * vectorized; 0 leaves a network as it was: null, already vectorized, no state reaching the
 * threshold, or not deterministic (warned "Can't vectorize a non-deterministic network."; a
 * network built by hand counts as deterministic when no state has an EPSILON arc or two arcs
 * with one label). The network stays the caller's. */
KORA_API int vectorize_states(NET *net, int threshold);

/* Turns every vectorized state of `net`, and of the networks it inserts, back into an arc list
 * (same arcs; the order of a list may change) and drops the vectors. Returns the number of
 * states restored; 0 for null or a network without vectors. */
KORA_API int unvectorize_net(NET *net);

/* ---------------------------------------------------------------------------------------------
 * Compaction: the whole network as one byte block, a few bytes per arc. Labels are renumbered
 * by frequency and states laid out by the number of arcs leading to them, so that the codes
 * written most are the shortest. A compacted network applies (init_apply), prints, copies
 * (copy_net copies the block), reports its size and saves (as file type 20); loading it back
 * reads the block into memory, or, when the context's map_arc_blocks is 1, maps it from the
 * file read-only, so that only the pages a lookup reads take memory (the mapping goes when the
 * network is freed). The operations of the calculus refuse it ("Cannot apply '%s' to a
 * compacted net. Please uncompact first."): uncompact it first.
 * ------------------------------------------------------------------------------------------- */

/* Compacts `net` in place; the labels on the arcs of the networks of `nets` (may be null) count
 * in the label frequencies too, so networks compacted with one another share their order. A
 * compacted network is left as it is; a vectorized one is unvectorized first (with the message
 * "Cannot compact a vectorized network.Unvectorizing first.\n." when KORA_VERBOSE is set, as
 * are the statistics the compaction prints on standard error); an arc-optimized one, one with
 * a reduced labelset or a virtual one is refused ("Cannot do this operation on a %s."). */
KORA_API void compact_net(NET *net, NV *nets);

/* Turns a compacted network back into states and arcs in place: the same relation, states and
 * arcs (each state's arcs in order of label frequency). Other networks are left as they are. */
KORA_API void uncompact_net(NET *net);

/* Rewrites the beginning of every path of `net` so that the one-sided EPSILONs among its first
 * `budget` symbols move to the end of that stretch, and returns the result as a new,
 * determinized and minimized network in the representation `net` had (optimized, compacted or
 * vectorized). The relation stays the same for relations whose paths align that way; `net` is
 * left unchanged. A null network gives null; a network of another label map or in a
 * representation that cannot be undone is refused with null. */
KORA_API NET *shift_initial_epsilons(NET *net, int budget);

/* ---------------------------------------------------------------------------------------------
 * Labelset reduction. Labels that every state treats alike (each state has arcs with both, to
 * the same destinations, or with neither) form a class; a reduced network keeps the arcs of one
 * label of each class and stands for the same relation with fewer arcs. The applyer looks up
 * and generates on a reduced network exactly as on the full one. The full label set and the
 * classes are kept as the properties SIGMA and EQV-VECTOR, which saving and loading keep; the
 * network is marked reduced_labelset. The calculus refuses a reduced network, except copy_net
 * (whose copy has its full label set back), the unions (which restore their reduced operands,
 * in place or in their copies) and substitute_symbol and substitute_label (which restore the
 * network and reduce the result again); restore it first.
 * ------------------------------------------------------------------------------------------- */

/* Reduces the network in place and returns it; its sigma is kept. A network whose classes are
 * all single labels is returned unchanged and not marked (with word KORA_VERBOSE set, "Does not
 * reduce: all equivalence classes are singleton sets." is written to the standard error
 * stream). Errors, the network returned unchanged: "The labelset has already been reduced.",
 * "Cannot apply labelset reduction to a network\nthat has shared arcs." and, for another
 * representation than the plain one, "Cannot do this operation on a %s.". A null network is
 * reported ("reduce_labelset: argument is NULL.") and gives null. */
KORA_API NET *reduce_labelset(NET *net);

/* Restores the full label set of a reduced network in place and returns it: the same language,
 * labels and arc count as before reduction (the restored arcs come first in their states).
 * Warnings, the network returned unchanged: "Nothing to do. The labelset has not been
 * reduced.", "Cannot restore without the full alphabet." and "No EQV_VECTOR.  Nothing to
 * restore." when a record is missing. A null network is reported ("unreduce_labelset: argument
 * is NULL.") and gives null. */
KORA_API NET *unreduce_labelset(NET *net);

/* ---------------------------------------------------------------------------------------------
 * Virtual networks. A virtual network stands for the result of an operation on one or two
 * networks without being built: its states are made when something first walks to them and
 * then kept. An applyer looking a string up in it expands only the states that lookup can
 * reach, so a composition too large to build can still be applied. A virtual network can be
 * applied, printed (its expanded states, then the listing of each operand), summarized, copied,
 * saved and loaded (the file holds the operation and its operands), and be an operand of
 * another virtual network. Every other function that reads a network's states refuses it
 * ("Cannot do this operation on a virtual network."): the calculus, the language tests,
 * minimization, the writers of text and Prolog, drawing, the other representations,
 * approximate lookup, the pattern applyer, and adding states or arcs.
 *
 * A virtual network owns its operands: a keep flag of 0 hands the network over to it (the
 * caller must not use or free it afterwards), a nonzero keep flag gives it a copy and leaves
 * the caller's network alone. Freeing the virtual network frees its operands. The operands
 * must not be in another representation than plain arc lists or virtual. Before two plain
 * operands are combined, the OTHER of each is made to mean the same symbols in both; a
 * virtual operand is taken with its sigma as it is. The operation needs no more of them than
 * a walk over states: intersection, union and composition pair states and arcs by label (the
 * operands of intersection should be epsilon-free, as minimized networks are), and minus and
 * negate determinize the operand they complement.
 *
 * Expanding is not thread-safe by itself; applyers of one virtual network may run on several
 * threads at once (they expand under one lock), but nothing else may use the network then.
 * ------------------------------------------------------------------------------------------- */

#define KORA_VIRTUAL_CONCAT 0        /* net1 followed by net2 */
#define KORA_VIRTUAL_INTERSECT 1     /* both */
#define KORA_VIRTUAL_OPTION 2        /* net1 or the empty string */
#define KORA_VIRTUAL_MINUS 3         /* net1 but not net2 */
#define KORA_VIRTUAL_NEGATE 4        /* the complement of the automaton net1 over its sigma+OTHER */
#define KORA_VIRTUAL_UNION 5         /* either */
#define KORA_VIRTUAL_ZERO_PLUS 7     /* zero or more repetitions of net1 */
#define KORA_VIRTUAL_DETERMINIZE 8   /* net1, deterministic */
#define KORA_VIRTUAL_COPY 10         /* net1 itself */
#define KORA_VIRTUAL_LOWER 12        /* the lower-side language of net1 */
#define KORA_VIRTUAL_UPPER 13        /* the upper-side language of net1 */
#define KORA_VIRTUAL_TAGS 15         /* one-symbol strings: OTHER and net1's multicharacter symbols */
#define KORA_VIRTUAL_NON_TAGS 16     /* one-symbol strings: OTHER and net1's other symbols */
#define KORA_VIRTUAL_COMPOSE 17      /* net1 composed with net2 (net1 above) */

/* A new virtual network of `operation` (a KORA_VIRTUAL_* id) over net1 and, for the operations
 * of two operands (concat, intersect, minus, union, compose), net2 (else null). Returns the
 * caller's network, or null when refused (reported: an id without an operation, "Unimplemented
 * virtual operation, ID is: %d"; a missing or extra operand; an operand in another
 * representation; a transducer given to negate; networks of different label maps); the
 * networks handed over are then freed. */
KORA_API NET *virtual_net(int operation, NET *net1, NET *net2, int keep1, int keep2);

/* The composition nets[0] o nets[1] o ... o nets[len-1] (a lexicon above a cascade of rules) as
 * one virtual network, nested left to right; nets[0] alone gives a virtual copy. The sigmas of
 * the plain networks are first made to agree through OTHER, all of them at once. With `keep`
 * 0 the networks are handed over (the vector stays the caller's), otherwise copies are taken.
 * Null for a null or empty vector, a null entry, and the refusals of virtual_net (reported; the
 * networks handed over are freed). */
KORA_API NET *lazy_compose_net(NV *nets, int keep);

/* ---------------------------------------------------------------------------------------------
 * Substitution and sigma closure. A `copy` of 1 works on a copy (the caller's), any other value
 * works in place and returns the same network. Symbol lists are alphabets in either form and stay
 * the caller's. Refusals are reported as errors and return the network unchanged (no copy is
 * made); a null network is reported and gives null.
 * ------------------------------------------------------------------------------------------- */

/* Replaces the symbol `symbol` by each symbol of `list`, on arcs and inside pairs, in every
 * combination: with a:x in the network, a replaced by {b, c} gives b:x and c:x. `symbol` leaves
 * the sigma and the listed symbols join it. An empty or null list deletes every arc mentioning
 * `symbol` and prunes the network. Nothing changes when the network does not know `symbol`. The
 * result is minimized when parameter word KORA_MINIMIZE is on. Refused: a pair as `symbol`
 * ("Cannot substitute for an fstpair.") or in the list ("Cannot substitute an fstpair."), an id
 * the label map never gave out, a network not in the plain representation. */
KORA_API NET *substitute_symbol(uint32_t symbol, ALPH *list, NET *net, int copy);

/* Replaces every arc labelled exactly `label` (a symbol or a pair) by arcs with each label of
 * `list`, to the same destination with the same user pointer; arcs whose labels merely contain
 * `label` stay. The symbols of the listed labels join the sigma. An empty or null list deletes
 * those arcs (and `label` leaves the sigma unless a pair still holds it) and prunes the network.
 * Minimized and refused as substitute_symbol, pairs being allowed everywhere. */
KORA_API NET *substitute_label(uint32_t label, ALPH *list, NET *net, int copy);

/* Closes the sigma: OTHER, which stands for any symbol the network does not know, comes to stand
 * for exactly the symbols of `symbols` that the sigma lacks (arcs for them replace the OTHER
 * arcs), or, with a null `symbols`, for nothing (every arc with OTHER on a side is deleted). The
 * network is then marked closed_sigma; if OTHER is still in the sigma the warning "close_sigma:
 * Sigma not closed." is given instead. Minimized when `minimize` is nonzero. Refused: a network
 * not in the plain representation or of another label map. */
KORA_API NET *close_sigma(NET *net, ALPH *symbols, int copy, int minimize);

/* close_sigma(net, NULL, 0, word KORA_MINIMIZE): removes OTHER from the network, in place. */
KORA_API NET *close_net_alphabet(NET *net);

/* ---------------------------------------------------------------------------------------------
 * Intersection, difference and complement. Labels are compared as wholes: a pair matches only
 * the same pair, which is exact for languages and for relations whose pairs have equal length.
 * A keep flag of 0 hands the network over to the operation (it is consumed: freed or used in
 * the result); a nonzero keep flag leaves it the caller's, unchanged. Kept networks are copied
 * when the operation must change them first; two deterministic loop-free networks without OTHER
 * (as word lists give) are read where they are when the result is minimized, so keeping them
 * costs nothing. Results belong to the caller and are minimized when word KORA_MINIMIZE is
 * set. Refused with an error: a null
 * network ("Cannot apply '%s' to a NULL network."), networks of different label maps
 * ("Networks do not have a common label map."), compacted networks ("Cannot apply '%s' to a
 * compacted net. Please uncompact first.") and networks in another representation than plain
 * arc lists.
 * ------------------------------------------------------------------------------------------- */

/* The strings (or pairs) that both networks accept, as a new network; the arguments are
 * consumed as their keep flags say (one record passed twice is kept when either flag is set)
 * and the result is never one of them. Refusals give a new null network and consume the
 * arguments all the same. */
KORA_API NET *intersect_net(NET *net1, NET *net2, int keep1, int keep2);

/* The strings (or pairs) of net1 that net2 does not accept; the arguments are consumed as their
 * keep flags say, and the result may be net1 itself when it is consumed. Networks of different
 * label maps give net1 back (a copy when it is kept); other refusals give a new null network. */
KORA_API NET *minus_net(NET *net1, NET *net2, int keep1, int keep2);

/* The complement of an automaton's language: the strings over its sigma plus OTHER that it does
 * not accept. With `copy` 1 the result is new and the argument stays the caller's; otherwise
 * the argument is changed in place and returned. A transducer is refused with "Negation is not
 * defined for transducers." and gives null; other refusals give the argument back unchanged.
 * In both cases the argument stays the caller's. */
KORA_API NET *negate_net(NET *net, int copy);

/* 1 when some string (or pair) is accepted by both networks, else 0. 1 for one record passed
 * twice; 0, with an error, for refused networks. Both networks are changed in place without
 * changing their languages (epsilons removed, sigmas harmonized through OTHER). */
KORA_API int test_intersect(NET *net1, NET *net2);

/* ---------------------------------------------------------------------------------------------
 * Composition and its relatives. The frame is that of intersection above: keep flags of 0 hand
 * the networks over, nonzero keep flags (or copy flags) leave them the caller's, unchanged;
 * results belong to the caller and are minimized when word KORA_MINIMIZE is set. Before two
 * networks are combined, the OTHER of each is made to mean the same symbols in both. Refused
 * with an error: networks of different label maps, compacted networks ("Cannot apply '%s' to a
 * compacted net. Please uncompact first.") and other non-plain representations; the result is
 * then a new null network and the networks handed over are freed.
 * ------------------------------------------------------------------------------------------- */

/* The composition: every pair (x, z) such that `upper` maps x to some y and `lower` maps y to
 * z. One record may be passed as both arguments. With word KORA_COMPOSE_FLAG_AS_SPECIAL set,
 * flag diacritics (other than list flags) on the lower side of `upper` and the upper side of
 * `lower` are not matched but copied into the result (with a warning when both networks have
 * such flags). A null argument is reported ("Unexpected NULL argument in compose_net()") and
 * gives null, consuming nothing. */
KORA_API NET *compose_net(NET *upper, NET *lower, int keep1, int keep2);

/* The cross product of two languages: every string of net1 paired with every string of net2,
 * symbol by symbol from the left, the rest of the longer string paired with the empty string
 * (a with bc gives a:b 0:c). A copy flag of 1 leaves that network the caller's, unchanged; any
 * other value consumes it. A transducer is refused with "Aborting crossproduct.\n    Operation
 * is not applicable to a transducer." and gives a new null network. A null argument is
 * reported and gives a new null network. */
KORA_API NET *crossproduct_net(NET *net1, NET *net2, int copy1, int copy2);

/* The shuffle of two languages: every interleaving of a string of net1 with a string of net2.
 * With `copy` 1 both networks stay the caller's, unchanged; otherwise both are consumed (one
 * record passed twice is shuffled with a copy of itself). A null argument is reported
 * ("Unexpected NULL argument in shuffle_net().") and gives null, consuming nothing. */
KORA_API NET *shuffle_net(NET *net1, NET *net2, int copy);

/* net1 with priority over net2 on side `side` (0 upper, 1 lower): net1 together with the pairs
 * of net2 whose string on that side is not one of net1 (on the upper side, a:x with a:y, b:z
 * gives a:x and b:z). A copy flag of 1 leaves that network the caller's, unchanged; any other
 * value consumes it. Another side is reported ("oneside_minus_fsm: Side should be UPPER or
 * LOWER, got %d.") and gives a new null network. A null argument is reported ("Unexpected NULL
 * argument in priority_union_net().") and gives null, consuming nothing. */
KORA_API NET *priority_union_net(NET *net1, NET *net2, int side, int copy1, int copy2);

/* Lenient composition: the composition of `upper` with `lower`, and for every upper string of
 * `upper` that the composition does not map, the pairs of `upper` itself (the upper-side
 * priority union of the composition over `upper`). Keep flags as for compose_net. A null
 * argument is reported ("Unexpected NULL argument in lenient_compose_net().") and gives null,
 * consuming nothing. */
KORA_API NET *lenient_compose_net(NET *upper, NET *lower, int keep1, int keep2);

/* ---------------------------------------------------------------------------------------------
 * Regular operators. Binary operations take two keep flags: 0 hands the network over to the
 * operation (it becomes part of the result or is freed, and must not be used afterwards), any
 * other value leaves the caller's network valid and unchanged. Unary operations take a copy
 * flag: 1 works on a copy and leaves the argument alone; any other value works in place and
 * returns the same record. Results belong to the caller and are minimized when parameter word
 * KORA_MINIMIZE is set (invert_net never minimizes). Before two networks are combined, the
 * OTHER of each (any symbol outside its sigma) is extended with the symbols only the other
 * knows, so that OTHER means the same in both.
 *
 * Refusals are reported as errors. A null argument ("Unexpected NULL argument in %s().") gives
 * null and consumes nothing. A compacted network ("Cannot apply '%s' to a compacted net.
 * Please uncompact first."), networks made in different label maps ("Networks do not have a
 * common label map.\n...") and networks in another non-plain representation ("Cannot do this
 * operation on a %s.") make a binary operation free the networks handed over and give a new
 * null network, and a unary operation give its argument back unchanged.
 * ------------------------------------------------------------------------------------------- */

/* net1 followed by net2. The same record passed twice gives the square of its language. */
KORA_API NET *concat_net(NET *net1, NET *net2, int keep1, int keep2);

/* The union of the two networks. */
KORA_API NET *union_net(NET *net1, NET *net2, int keep1, int keep2);

/* One or more repetitions of the network's language. */
KORA_API NET *one_plus_net(NET *net, int copy);

/* Zero or more repetitions of the network's language. A compacted network only has its start
 * state made final. */
KORA_API NET *zero_plus_net(NET *net, int copy);

/* The network's language or the empty string. A compacted network only has its start state
 * made final. */
KORA_API NET *optional_net(NET *net, int copy);

/* From `min` to `max` repetitions of the network's language; `max` -1 means no maximum. A
 * `max` below `min` gives the warning "repeat_fsm: MAX less than MIN" and exactly `max`
 * repetitions. (0, 0) gives the empty string: a new network with copy 1, else the argument
 * itself turned into that network. */
KORA_API NET *repeat_net(NET *net, int min, int max, int copy);

/* The reversal: every string (pair) spelled backwards. */
KORA_API NET *reverse_net(NET *net, int copy);

/* The inverse relation: upper and lower sides exchanged. Never minimized. */
KORA_API NET *invert_net(NET *net, int copy);

/* The upper-side (lower-side) language of the relation, as an automaton with a compacted sigma.
 * A network of arity 1 is returned as it is (a copy with copy 1). A transducer with a reduced
 * labelset is refused with "'%s' cannot be applied to a net with a reduced labelset.\n". */
KORA_API NET *upper_side_net(NET *net, int copy);
KORA_API NET *lower_side_net(NET *net, int copy);

/* Every substring of every string (every infix of every path, for a transducer). */
KORA_API NET *substring_net(NET *net, int copy);

/* New networks of the universal language (any string, OTHER*) and of any non-empty string
 * (OTHER+). */
KORA_API NET *kleene_star_net(void);
KORA_API NET *kleene_plus_net(void);

/* A new network accepting exactly `string`, one symbol per character: a Unicode character when
 * the context reads or writes UTF-8, otherwise one byte (ISO-8859-1). With `positions` nonzero
 * each arc carries as its user pointer the 1-based byte offset of its character in the string.
 * A null string is reported and gives null. */
KORA_API NET *string_to_net(const char *string, int positions);

/* ---------------------------------------------------------------------------------------------
 * Contains and ignore. Refusals as for the regular operators above; results belong to the
 * caller and are minimized when word KORA_MINIMIZE is set.
 * ------------------------------------------------------------------------------------------- */

/* Every string that contains a string of the network: ?* net ?* (for a transducer, its pairs
 * with any identity pairs before and after). `copy` 1 works on a copy, any other value changes
 * the network in place and returns it. A null network is reported and gives null; a compacted
 * or otherwise non-plain one is reported ("Cannot apply 'contains' ...") and returned
 * unchanged. */
KORA_API NET *contains_net(NET *net, int copy);

/* net1 with the strings of net2 freely inserted: anywhere, any number of times ("ignoring"
 * net2 in net1). With `copy1` 1 net1 stays the caller's and the result is new, otherwise net1
 * is consumed (the result may be its record); with `keep2` nonzero net2 stays the caller's,
 * otherwise it is consumed. Networks of different label maps are reported and give net1 back (a
 * copy with copy1), net2 consumed unless kept. A null argument is reported and gives null; a
 * compacted net1 is reported as "Cannot apply 'ignore_net' to a compacted net. ..." and other
 * refused arguments with 'ignore': then the arguments handed over are freed and a new null
 * network is returned. */
KORA_API NET *ignore_net(NET *net1, NET *net2, int copy1, int keep2);

/* ---------------------------------------------------------------------------------------------
 * Flag diacritics.
 * ------------------------------------------------------------------------------------------- */

/* Eliminates the flag attribute named `attribute_name` (in the library's character encoding):
 * the network keeps exactly the paths whose flags of that attribute all succeed, and those
 * flags leave it (insert flags are replaced by the networks they name, list flags by the
 * symbols of their lists). A network in which the attribute does not occur is returned as it
 * is, never copied. Otherwise `copy` 1 works on a copy and leaves the argument alone; any other
 * value hands the network over and the result takes its place (it may be a new record, the
 * argument then being freed). The result is minimized when word KORA_MINIMIZE is set. Refused
 * with an error, returning the argument unchanged: a null argument, a compacted network ("Cannot
 * eliminate flags from a compacted net.\n    Please uncompact first."). E flags, which cannot
 * be compiled, are reported and dropped. */
KORA_API NET *eliminate_flag(NET *net, const char *attribute_name, int copy);

/* ---------------------------------------------------------------------------------------------
 * Language tests. They answer 1 or 0, and 0 with an error for refused networks (null, of
 * different label maps, not in the plain representation). To stay cheap they change their
 * arguments in place without changing their languages: pruning, epsilon removal,
 * determinization, sigma harmonization through OTHER.
 * ------------------------------------------------------------------------------------------- */

/* 1 when the network accepts at least one string (or pair); prunes it. */
KORA_API int test_non_null(NET *net);

/* 1 when every string (or pair) of net1 is accepted by net2; 1 at once for one record passed
 * twice. Prunes net1 and determinizes both. */
KORA_API int test_sublanguage(NET *net1, NET *net2);

/* 1 when the two networks, determinized, correspond state for state over their labels; 1 at
 * once for one record passed twice. For minimized networks this is equivalence of their
 * languages; unminimized networks of one language may answer 0, so minimize them first. Two
 * minimized networks with different state or arc counts answer 0 without further work. */
KORA_API int test_equivalent(NET *net1, NET *net2);

/* 1 when the upper (lower) side of the network is the universal language, any string at all,
 * whatever the other side. The network stays unchanged. A compacted network is refused with
 * "Cannot apply 'test universal' to a compacted net. Please uncompact first." */
KORA_API int test_upper_universal(NET *net);
KORA_API int test_lower_universal(NET *net);

/* ---------------------------------------------------------------------------------------------
 * Regular expressions. An expression is read up to ";" (added when missing); its symbols are
 * interned, and names defined as networks or symbol lists stand for their definitions. Syntax
 * errors are reported as "Regex error (%s) at %s" with the message and the text of the token
 * where the parser stopped (in a file: "Regex error at %s on line %lld in '%s'"), and
 * regex_error_position tells where that token is. When the token is ".o." or ".O." and a
 * replace rule stands before it, a second line of the message hints that the rule needs
 * brackets ("[A -> B || L _ R] .o. C").
 * ------------------------------------------------------------------------------------------- */

/* Compiles the regular expression `regex` into a new network (the caller's), minimized when word
 * KORA_MINIMIZE is set. Verbose output is off while it runs. Returns null after reporting a
 * syntax error or any other error counted by the parser; null with an error for a null string. */
KORA_API NET *read_regex(const char *regex);

/* Compiles every expression of the text file `file_name` (each ended by ";", the last one
 * possibly not, with "Warning: missing semicolon."; a line "END;" ends the file early) into a
 * new net vector, one network per expression in order; the vector and its networks are the
 * caller's (free_nv_and_nets). Errors are reported with the file name and line; after more than
 * word KORA_MAX_ERRORS of them reading stops. Returns null when the file cannot be read or when
 * any expression failed. */
KORA_API NV *read_regex_file(const char *file_name);

/* Where the last error that the parser of regular expressions reported (a syntax error, see
 * above) was found: the token at which it stopped, in the text that the compilation began with: the string of read_regex (of
 * define_regex_net, define_regex_list, and each regular expression of read_vorn) or the file of
 * read_regex_file, not the body of a regex function it called. Returns the token's byte offset
 * from the start of that text, and sets *line and *column (either may be null), both from 1,
 * the column counted in bytes. An error at the end of the text (at the ";" that read_regex
 * added, or at the end of a file) has the text's length as its offset. The place is recorded
 * before the error is reported, so an error callback may ask for it; in a file with several
 * errors it is that of the latest. Returns -1, leaving *line and *column alone, when the last
 * compilation had no such error. */
KORA_API long long regex_error_position(long long *line, long long *column);

/* Compiles `regex` and defines the result under `name` (its DEFINITION property is the text).
 * Returns 0; 1 after "null regex_str" for a null text, "Cannot compile '%s'." when it does not
 * compile, or a refusal of define_net. */
KORA_API int define_regex_net(const char *name, const char *regex);

/* Compiles `regex` and defines the symbols of its sigma as the symbol list `name`; the network
 * is freed. Returns 0; 1 for a null argument or a refused definition; 3 after "Failed to read
 * regex as symbol list." when it does not compile. */
KORA_API int define_regex_list(const char *name, const char *regex);

/* The term complement [? - A]: the one-symbol strings that the automaton `net` does not accept.
 * With `copy` 1 the network stays the caller's; otherwise it is consumed. A transducer is
 * refused with the error "The term complement operator \ is defined only for regular
 * languages: ..." and gives a new null network. A null network is reported and gives null. */
KORA_API NET *other_than_net(NET *net, int copy);

/* Replaces the symbol `symbol` of `net` by the symbols of `list` (which stays the caller's), as
 * substitute_symbol does, and then compacts the sigma. With `copy` 1 the network stays the
 * caller's. A symbol that is not an ordinary one (EPSILON, OTHER, a pair, a special symbol) is
 * refused with "***Illegal use of '%s' as an ordinary label." and the network comes back
 * unchanged (a copy with `copy` 1). A null network is reported and gives null. */
KORA_API NET *substitute_net(uint32_t symbol, ALPH *list, NET *net, int copy);

/* ---------------------------------------------------------------------------------------------
 * Text files: word lists (one word per line, every character one symbol) and spaced text (each
 * path a block of an upper line, for a transducer a lower line, and an empty line; symbols
 * separated by blanks, a lone "0" is EPSILON, a lone "?" OTHER, "%" makes the next character
 * literal, "!" and "#" start comments). A file's encoding is taken from its byte order mark or
 * its coding declaration ("# -*- coding: latin-1 -*-"), else from the context; LF, CR and CR LF
 * all end lines.
 * ------------------------------------------------------------------------------------------- */

/* The minimal network of the words of the word list `file_name`, or of the paths of the spaced
 * text `file_name`: deterministic, minimized, its labels and sigma those of its arcs; the same
 * network whatever the order of the words. Empty lines are skipped; in a word list a line
 * "END;" ends the list. A word with invalid UTF-8 (in UTF-8 mode) is left out with a warning
 * naming the line. An empty file gives the network of the empty language. The network belongs
 * to the caller. Returns null, after reporting the error "Cannot open '%s'." for a missing,
 * unreadable or non-regular file, or "'%s' appears not to be a text file." for a binary one. */
KORA_API NET *read_text(const char *file_name);
KORA_API NET *read_spaced_text(const char *file_name);

/* Writes every path of the network to the file `file_name` (standard output when null) as a
 * word list or as spaced text, first the coding line "# -*- coding: utf-8 -*-" (or
 * iso-8859-1; none on the standard output when KORA_INTERACTIVE is set). The output encoding
 * becomes UTF-8 for this file when ISO-8859-1 cannot write the network's symbols. Lines end with
 * the context's eol_string. The network stays the caller's, unchanged but for its loop_free
 * mark. Returns 0; returns 1 with an error, writing nothing, for a null network ("No network to
 * write to '%s'."), a network with a cycle ("A circular net cannot be written in text
 * format."), one not in plain arc lists, a file that cannot be opened ("Cannot open output file
 * %s."), and for write_text a transducer or a network with multicharacter symbols (the message
 * names write_spaced_text). A network with a cycle but marked loop_free is found on the way:
 * the same error follows the paths met before the cycle (a named file is then removed), and
 * the mark is cleared. */
KORA_API int write_text(NET *net, const char *file_name);
KORA_API int write_spaced_text(NET *net, const char *file_name);

/* The same text appended to `page` (lines ended by the page's line terminator, no coding line).
 * write_text_to_page writes the upper side of a transducer's paths, with the warning
 * "print_fsm_path: Not expecting an FSTLABEL." for each. Returns 0; returns 1 with "No network
 * in OUTPUT_TEXT_TO_PAGE" or "No page in OUTPUT_TEXT_TO_PAGE", or for a network with a cycle
 * (one wrongly marked loop_free after the paths met before the cycle) or not in plain arc
 * lists. */
KORA_API int write_text_to_page(NET *net, PAGE *page);
KORA_API int write_spaced_text_to_page(NET *net, PAGE *page);

/* ---------------------------------------------------------------------------------------------
 * Prolog files: networks as Prolog facts, one per line, after a coding line
 * ("# -*- coding: utf-8 -*-"). For each network, NAME being its Prolog name and its states
 * numbered from 0, the start state:
 *   network(NAME).
 *   symbol(NAME, "a").          each symbol of the sigma, in id order
 *   arc(NAME, 0, 1, "a").       state by state, each state's arcs in order
 *   arc(NAME, 1, 2, "b":"0").   a pair: its upper and lower symbol
 *   final(NAME, 2).             each final state
 * Inside the quotes EPSILON is 0 and OTHER ?; the symbols named 0 and ? are %0 and %?; in names
 * % is %%, a double quote \", a backslash \\, a newline, carriage return or tab \n, \r, \t.
 * "!" starts a comment to the end of the line, and a line "END;" ends the file.
 *
 * The Prolog name of a network is its NETWORKNAME (a string of 1 to 78 characters) in lower case,
 * blanks and the characters , . : ( ) ! " written as "_"; otherwise, or when an earlier network
 * of the same file has that name, "net_" and a number in hexadecimal that the network keeps while
 * it lives. Reading gives a network whose name is not of that form its name as NETWORKNAME.
 * ------------------------------------------------------------------------------------------- */

/* Writes the network as Prolog facts to the file `file_name` (created or replaced), or to the
 * standard output when it is null (without the coding line when KORA_INTERACTIVE is set). The
 * output encoding becomes UTF-8 for the file when ISO-8859-1 cannot write a symbol or the name.
 * The network stays the caller's, with its state list put in the order print_net lists it; a
 * network in another representation than plain arc lists is written as its plain form. A state
 * that is not the start state, not final and without arcs in or out is named by no fact: it is
 * not written. Returns 0; 1 with an error, writing nothing, for a null network ("No network to
 * write to '%s'."), a compacted or virtual one, and a file that cannot be opened ("Cannot open
 * '%s'."); 1 with "Cannot write to '%s'." when the writing failed. With KORA_VERBOSE, "Opening
 * output file '%s'" and "Closing '%s'" go to standard error. */
KORA_API int write_prolog(NET *net, const char *file_name);

/* write_prolog() of every network of `nv`, one after the other in one file (each under its own
 * Prolog name). The networks stay the caller's. A null vector or a null entry is refused as a
 * null network is; so is the whole vector when one network cannot be written. */
KORA_API int write_prolog_nets(NV *nv, const char *file_name);

/* The networks of the Prolog file `file_name` (the standard input when null), in the order
 * their names first occur, in a new vector that the caller owns with its networks
 * (free_nv_and_nets). Each network's states are in number order, each state's arcs in file
 * order; its sigma holds the symbols of its "symbol" facts and of its labels; it is marked
 * deterministic and epsilon_free when its arcs are, and carries no other mark. A file is read in
 * two passes, so that states can be kept in tables by number; the standard input is read in
 * one when it cannot be rewound or when KORA_PROLOG_ONE_PASS is set. A syntax error is printed
 * on standard error as "*** syntax error at 'TOKEN'" (or "bad state number", "unterminated
 * string", "invalid UTF-8", "NUL character in a name") and reported as the error "Parse error
 * on line N in file 'NAME'." ("Parse error on line N." for the standard input); the networks
 * read before it are returned. Null when the file holds no network, cannot be opened ("Cannot
 * open '%s'.") or is not text ("'%s' appears not to be a text file."). */
KORA_API NV *read_prolog_nets(const char *file_name);

/* The first network of read_prolog_nets() (the caller's); the others are freed, with the note
 * "Returning only the first network out of %d" on standard error when KORA_VERBOSE is set. Null
 * as read_prolog_nets(). */
KORA_API NET *read_prolog(const char *file_name);

/* ---------------------------------------------------------------------------------------------
 * Lexicons: source files of sublexicons whose entries continue into one another.
 * ------------------------------------------------------------------------------------------- */

/* Compiles the lexicon source file `file_name` (its encoding taken from its byte order mark or
 * coding line, else from the context) into a minimal network, the caller's. Multi-character
 * symbols declared under MULTICHAR_SYMBOLS are cut by longest match; "< regex >" entries and
 * the definitions under DEFINITIONS are compiled by read_regex, and the definitions stay defined
 * afterwards.
 *
 * Messages about a place in the file begin with its line, "line N: ", which a caller that knows
 * the file's name may turn into "FILE:N: ". Errors: each syntax error, "line N: syntax error at
 * 'TOKEN'", on the line of the fault (for a ";" left off at the end of a line, that line, with a
 * second line "    missing ';' after 'WORD'"); compiling resumes at the next entry, so each
 * independent error is reported once. An expression that does not compile is reported by
 * read_regex and then as "line N: Regular expression error: 'TEXT'", N the line of its error,
 * and its sublexicon is left out. Warnings (undefined, unused and twice-declared sublexicons,
 * symbols whose entries were all lost, ignored info strings) carry their lines too and do not
 * stop the compilation; a sublexicon defined but not used is one warning each, "line N:
 * Sublexicons defined but not used: NAME". Without a callback these are printed on standard
 * error as "\nline N: syntax error at 'TOKEN'\n", "\nline N: Regular expression error:
 * 'TEXT'\n", "\n*** Warning:  Sublexicons defined but not used:\n" and one "      NAME" line
 * each, "\n*** Warning: Lost all entries containing the following symbols:\n    SYMBOLS\n",
 * and the rest as any warning. A file with syntax errors gives the error "Compilation aborted
 * because of N parse error(s)." and the null network (one non-final state), as does a lexicon
 * without sublexicons. Returns null, after "Cannot open '%s'." or "'%s' appears not to be a
 * text file.", when the file cannot be read. */
KORA_API NET *read_vorn(const char *file_name);

/* ---------------------------------------------------------------------------------------------
 * Applying networks to text. An applyer runs one network over input: down (input_side 0: the
 * input is read as upper-side symbols and the lower sides of the matching paths are written)
 * or up (input_side 1: the reverse). Input is cut into the network's symbols by longest match
 * (multi-character symbols included); a character the network does not know matches only its
 * OTHER arcs. Flag diacritics on the input side are obeyed when word KORA_OBEY_FLAGS is set.
 * Each result is written in the output encoding and followed by the context's end-of-line
 * string: with KORA_APPLY_BOTH_SIDES, both sides in pair notation ("<upper:lower>" where they
 * differ, EPSILON as 0, OTHER as ?); otherwise the output side, blanks between symbols with
 * KORA_PRINT_SPACE, flags only with KORA_SHOW_FLAGS. The applyer does not own its network,
 * which must outlive it. The applyer searches a compact copy of the network's states and arcs
 * that it makes when it is created (for the other side, when it is switched to that side; for
 * an inserted network, when the search first enters it): a network changed after that is not
 * seen by the applyer, so make a new applyer after changing a network. The copy takes about 12
 * bytes per state and per arc; for a network without flags or OTHER on the input side, a second
 * copy of 4 bytes per state and arc serves the stretches where each state has one arc for the
 * next symbol, as in most of a lookup in a word list.
 *
 * Threads. Several threads may apply one network at once, each through an applyer of its own:
 *   - may be called from several threads at once: init_apply and new_applyer on one shared
 *     network, and init_apply_to_string, init_apply_to_stream, switch_input_side,
 *     next_apply_output, apply_to_string and free_applyer, each thread on its own applyers
 *     (and its own streams);
 *   - while they run, nothing else may be called: no thread may change the network, any other
 *     network it inserts or lists it names (definitions), the label map, the parameters or the
 *     character encodings of the context, and no other function of this library may run
 *     (make_applyer included: it reads a file into the library's tables);
 *   - an applyer is never used by two threads at once, and its output buffer is its own thread's.
 * Characters of the input that the network does not know are not entered into the label map
 * (each applyer names them for itself), so looking up changes nothing that is shared. Warnings
 * and errors (a UTF-8 error in the input) are reported from the thread that met them: the
 * functions given to set_error_function and set_warning_function must then be safe to call
 * from several threads.
 * ------------------------------------------------------------------------------------------- */

typedef struct APPLY_CONTEXT APPLY_CONTEXT;

/* A new applyer for `net` (owned by the caller, freed with free_applyer), with the parameters
 * of `context` (the default context when null). A null network reports "NETptr must not be
 * NULL." and gives null. Bind it to input with init_apply_to_string or init_apply_to_stream. */
KORA_API APPLY_CONTEXT *init_apply(NET *net, int input_side, FST_CONTEXT *context);

/* An applyer for a bimachine: a pair of sequential transducers applied one after the other
 * without backtracking. The left half `left` (flag left_bimachine) reads the input, one arc per
 * symbol, an arc reading the symbol "_DET_EPSILON_" being taken where no arc reads the symbol;
 * the right half `right` (flag right_bimachine) then reads what the left half wrote, from its
 * last symbol back to its first, and its output, in input order, is the one result. Both halves
 * must be sequentialized on the input side (upper_sequentialized for input side 0,
 * lower_sequentialized for 1), else "No parse table created because FSTs do not belong to a
 * bimachine or they are incorrectly marked." and null; a half without labels gives "No parse
 * table created because one or both FSTs have no label alphabet.". The input is cut into the
 * symbols of both halves' input sides. The applyer is used as one of init_apply (neither half is
 * copied: both must outlive it); switched to the other side, it gives no results and warns "This
 * is an upwards bimachine. It cannot be applied downwards." or "This is a downwards bimachine.
 * It cannot be applied upwards.". */
KORA_API APPLY_CONTEXT *init_apply_bimachine(NET *left, NET *right, int input_side,
                                             FST_CONTEXT *context);

/* init_apply bound to exactly one of `string` and `stream` (read line by line, one record per
 * line). Reports "No network!", "Must specify either an input string or\n    an input stream."
 * or "Cannot use an input string and\n    an input stream. Only one should be specified." and
 * gives null. */
KORA_API APPLY_CONTEXT *new_applyer(NET *net, const char *string, FILE *stream, int input_side,
                                    FST_CONTEXT *context);

/* new_applyer over the first network of the saved network file `net_file`, reading `string`,
 * or the text file `stream_file` (its encoding taken from its byte order mark or coding line),
 * or with neither the standard input. The applyer owns the network and the file it opened:
 * free_applyer frees and closes them. Null, after the loader's or the file's message, when
 * either cannot be opened, and when both a string and a file are given. */
KORA_API APPLY_CONTEXT *make_applyer(const char *net_file, const char *string,
                                     const char *stream_file, int input_side,
                                     FST_CONTEXT *context);

/* Binds the applyer to a string (one record; the string must live until it is read) or to an
 * open stream (the caller keeps and closes it). Either may be called again to reuse it. */
KORA_API void init_apply_to_string(const char *string, APPLY_CONTEXT *applyer);
KORA_API void init_apply_to_stream(FILE *stream, APPLY_CONTEXT *applyer);

/* Swaps the input side (down becomes up and back); a both-sides output becomes one side. Takes
 * effect at the next init_apply_to_string or init_apply_to_stream. */
KORA_API void switch_input_side(APPLY_CONTEXT *applyer);

/* Consumes the next record and returns all its results (empty text when there is none), in a
 * buffer the applyer owns until its next call; null when the input is exhausted. A UTF-8
 * error in the input is reported and ends the record with the results found so far. */
KORA_API const char *next_apply_output(APPLY_CONTEXT *applyer);

/* init_apply_to_string, then next_apply_output. */
KORA_API const char *apply_to_string(const char *string, APPLY_CONTEXT *applyer);

/* Frees the applyer and its buffers (not its network); null is ignored. free_applyer_complete
 * also frees what a pattern applyer attached. */
KORA_API void free_applyer(APPLY_CONTEXT *applyer);
KORA_API void free_applyer_complete(APPLY_CONTEXT *applyer);

/* ---------------------------------------------------------------------------------------------
 * Approximate lookup, for spelling correction: the strings of a network's input side within a
 * number of edits of a word, and what the network writes for them, best first. No list of the
 * network's strings is made: the search walks the network and gives up a path as soon as no
 * continuation of it can come within the bound (see src/libs/apply-approx.cpp for its cost).
 *
 * Edits are insertions, deletions and substitutions of one symbol each, and with
 * KORA_APPROX_TRANSPOSITIONS also swaps of two adjacent symbols (a swapped pair is not edited
 * again). The word is cut into the network's symbols as lookup cuts it (a multi-character
 * symbol is one symbol, so one edit); flag diacritics are obeyed as lookup obeys them; an OTHER
 * arc reads a symbol of the word that is not in the network's sigma, where the word has it,
 * and is never inserted or substituted. Networks inserted by @I.name@ flags and list flags are
 * not followed.
 *
 * A result is a distinct pair of a matched string (the input side of a path) and what that path
 * writes on its output side, as lookup writes one side (on an automaton, the matched string
 * again; on a transducer, say, the analyses of the nearest words). Its distance is the edit
 * distance from the word to the matched string. Results come ordered by distance, then by
 * matched string, then by output, both compared as bytes, so the order is the same on every
 * run and every machine.
 *
 * An error model replaces plain edits: a transducer whose upper side is what is typed and whose
 * lower side what was meant (keyboard neighbours, sound-alike spellings, with identity arcs for
 * what is typed right), such as [? | a:e | e:a]* written as a regular expression
 * with the usual operators. A path of the model costs one error for each arc labelled by a pair
 * and none for an identity label; a result's distance is the fewest errors of a model path that
 * reads the word on its upper side while the network reads, on its input side, what the model
 * path writes on its lower side. The two networks are walked together: their composition is
 * never built. The word is then cut by the model's upper side, OTHER in a pair label of the
 * model matches nothing, flags of the model are epsilons, and transpositions are the model's
 * business.
 *
 * Threads: as applyers (see "Threads" above); an approximate applyer is one thread's at a time.
 * ------------------------------------------------------------------------------------------- */

typedef struct APPROX_APPLYER APPROX_APPLYER;

/* Options of apply_approx, or-ed together. */
enum { KORA_APPROX_TRANSPOSITIONS = 1 /* a swap of two adjacent symbols is one edit */ };

/* A new approximate applyer for `net` read on `input_side` (0: the upper side, writing the
 * lower, as apply down; 1: the lower side, writing the upper, as lookup), with the parameters of
 * `context` (the default context when null: KORA_OBEY_FLAGS, KORA_PRINT_SPACE and
 * KORA_SHOW_FLAGS apply as for init_apply). `error_model`, when not null, is used in place of
 * plain edits (see above). Neither network is owned or copied: both must outlive the applyer
 * and stay unchanged while it is used. A null network reports "NETptr must not be NULL." and
 * gives null, and so does a virtual network or error model ("Cannot do this operation on a
 * virtual network."). Free it with free_approx_applyer. */
KORA_API APPROX_APPLYER *init_apply_approx(NET *net, int input_side, NET *error_model,
                                           FST_CONTEXT *context);

/* Finds the results for the word `string` (UTF-8 or Latin-1 as the input encoding says) within
 * `max_edits` edits (0 to 100; with an error model, errors), keeps the first `limit` of them in
 * the order above (0: all), and returns how many it kept; read them with approx_result. Returns
 * -1, keeping no result, after reporting an error: max_edits or limit out of range, a UTF-8
 * error in the word. A null applyer gives -1 quietly. */
KORA_API int apply_approx(const char *string, int max_edits, int limit, int options,
                          APPROX_APPLYER *applyer);

/* Result number k (0 first) of the last apply_approx: its output, with *distance set to its
 * distance and *match (when `match` is not null) to its matched string. The strings belong to
 * the applyer and last until its next apply_approx or free_approx_applyer. Null when there is
 * no result number k. */
KORA_API const char *approx_result(const APPROX_APPLYER *applyer, int k, int *distance,
                                   const char **match);

/* Frees the approximate applyer (not its networks); null is ignored. */
KORA_API void free_approx_applyer(APPROX_APPLYER *applyer);

/* ---------------------------------------------------------------------------------------------
 * Marking patterns in running text. A pattern network is a transducer whose paths read a
 * pattern on the input side and write it back followed by a closing tag, a symbol spelled
 * "</name>" (the regex function EndTag(name) makes one on the upper side: read such a network
 * with input_side 1). A pattern applyer scans the text from left to right; at each position it
 * takes the longest match (the longest path that reads text from there and ends in a final
 * state after a closing tag), writes "<name>" before it and "</name>" after it, and goes on
 * after the match; where nothing matches, one symbol is copied. Matches of equal length with
 * different tags are all tagged, the tags nested in the network's order. A match reads at
 * least one symbol and never a line feed (lines are marked up independently); its path has at
 * most KORA_MAX_PATH_DEPTH steps (longer ones are reported once, "Recursion depth in
 * longest_paths() exceeds maximum, %d", and not followed) and at most 64 KB of text (48 KB
 * when the network has contexts). Flag diacritics, OTHER, list flags and inserted networks
 * work as in the applyer. A closing tag whose name is defined as a network (define_net) or as
 * a regex function of one argument (define_function) writes, in place of the match, the one
 * string that the network gives for it (applied down: the match on its upper side) or that
 * the function makes of it (the lower side of its network); otherwise the report
 * "Transducer 'name' defined as 'name' yields multiple strings when applied to:\nTEXT" (or
 * "Function ...", "an infinite string", "no result") is given and the match is marked up as
 * usual. After its closing tag a path may ask for contexts, as the regex functions LC(A), RC(A),
 * NLC(A), NRC(A), AND(X, Y), OR(X, Y) write them: the match counts only when the text before it
 * ends with a string of A (LC), the text after it begins with one (RC), does not (NLC, NRC), or
 * both (AND) or either (OR) of two contexts hold; a context sees no further than the line and at
 * most a quarter of the window (16 KB) beyond the match ("\n*** Maximum context length (%d)
 * exceeded while checking the left context\n..." otherwise, reported once, and the match does not
 * count). A context marker before the closing tag is reported once ("... found but no check
 * followed.\n"), as are an AND( or OR( not followed by contexts ("Expecting a context marker. Found
 * '%s' instead.\n") and the flags @T.name@ and @F.name(@, which the search does not know
 * ("Unimplemented flag diacritic."); paths through them never match.
 *
 * Options are read from the context's parameters when the applyer is made:
 * KORA_MARK_PATTERNS (on: the tags are written; off: only the match's output), KORA_DELETE_
 * PATTERNS (matches are left out), KORA_EXTRACT_PATTERNS (only the matches are written, each
 * followed by the end-of-line string), KORA_LOCATE_PATTERNS (only "START\tLENGTH\tTAG" and the
 * end-of-line string per tag of each match, in bytes from the start of the input),
 * KORA_COUNT_PATTERNS (matches are counted per tag). Text is read and written as the applyer
 * reads and writes it (the context's encodings); unmatched text is copied as it is when the two
 * encodings are the same, else symbol by symbol.
 * Several threads may use pattern applyers of one network as they may use applyers, except
 * that transducer and function tags compile regular expressions (single-threaded).
 * ------------------------------------------------------------------------------------------- */

/* A new pattern applyer for `net` (not owned; it must outlive the applyer), read from
 * `input_side` (0: the upper side is read and the lower written; 1 the reverse), with the
 * options of `context` (the default context when null). Bind it to input with
 * init_apply_to_string or init_apply_to_stream; free it with free_applyer. Null after
 * "Usage: init_apply_patterns(net, input_side, cntxt)." for a null network, after "When the
 * variables 'delete-patterns' and 'extract-patterns' are both ON\n'apply patterns up' and
 * 'apply patterns down' produce no output.\nunless 'count-patterns' is ON. Aborting..." and
 * after "Sorry. This function has not yet been implemented for %s." for reduced networks,
 * bimachines, compacted networks and virtual networks. */
KORA_API APPLY_CONTEXT *init_apply_patterns(NET *net, int input_side, FST_CONTEXT *context);

/* init_apply_patterns with counting on, bound to exactly one of `string` and `stream` (the
 * caller's), writing to `output` when it is not null (apply_patterns and next_pattern_output
 * then write there and return what they wrote), else to the applyer's buffer. Null, after
 * "No network!" or the messages of new_applyer about the input, or those of
 * init_apply_patterns. */
KORA_API APPLY_CONTEXT *new_pattern_applyer(NET *net, const char *string, FILE *stream,
                                            FILE *output, int input_side, FST_CONTEXT *context);

/* new_pattern_applyer over the first network of the saved file `net_file`, reading `string`
 * or the text file `input_file` (its encoding detected as make_applyer does; the standard input
 * when both are null) and writing to the file `output_file` (created or emptied; the buffer
 * when null). The applyer owns the network and both files: free_applyer frees and closes them.
 * Null when a string and a file are both given ("A pattern applyer can be initialized for a
 * string or a stream but not both.") and when a file cannot be loaded or opened, after the
 * message; nothing stays open then. */
KORA_API APPLY_CONTEXT *make_pattern_applyer(const char *net_file, const char *string,
                                             const char *input_file, const char *output_file,
                                             int input_side, FST_CONTEXT *context);

/* Scans all the input bound to a pattern applyer and returns the number of matches (-1 for an
 * applyer that is not bound or not a pattern applyer). With an output file the markup goes
 * there as it is made, in constant memory; otherwise it accumulates in the applyer's buffer,
 * which next_pattern_output returns. Counting starts afresh with each binding. */
KORA_API long apply_patterns(APPLY_CONTEXT *applyer);

/* The markup of the next stretch of the bound input, in a buffer the applyer owns until its
 * next call: stretches of about 64 KB of markup (a short string's in one) whose concatenation is
 * the markup of the whole input, so that a stream of any size is marked up in constant memory;
 * null when the input is exhausted. Counting starts afresh with each binding, so after the last
 * stretch the counts are those of the whole input. */
KORA_API const char *next_pattern_output(APPLY_CONTEXT *applyer);

/* Appends the table of match counts to `page`, or to a page the applyer owns when it is null,
 * and returns the page's text (owned by the page): "Pattern" padded to the longest tag,
 * "\t# of matches", a rule, a line "<name>" padded, "\t%7ld" with its count for each closing
 * tag of the output side in the order of the network's labels, a rule, and "\tTotal:\t%7ld".
 * Lines end with the context's end-of-line string. Null for an applyer that is not a pattern
 * applyer. */
KORA_API const char *pattern_match_counts_to_page(APPLY_CONTEXT *applyer, PAGE *page);

/* The count of tag number `tag` (in the table's order) and its name (without "</" and ">",
 * UTF-8, owned by the applyer) in *name when `name` is not null; the total for `tag` -1; -1
 * for any other `tag` or an applyer that is not a pattern applyer. */
KORA_API long pattern_match_count(APPLY_CONTEXT *applyer, int tag, const char **name);

/* Adds the counts of `from` to those of `into`, two pattern applyers of one network (as the
 * applyers of several threads are): 0, or 1 changing nothing when they have not the same tags. */
KORA_API int add_pattern_match_counts(APPLY_CONTEXT *into, APPLY_CONTEXT *from);

/* ---------------------------------------------------------------------------------------------
 * Arc optimization and shared arc lists: smaller minimal networks.
 * ------------------------------------------------------------------------------------------- */

/* Makes a network smaller in place, with the same language: states whose arc lists end with the
 * same run of arcs keep only their own arcs and end with one arc labelled ALTCHAIN to a state
 * that holds the run. A network not marked minimized is minimized first (with the warning
 * "Input net is not marked as minimized."). Afterwards the network is marked optimized (and
 * ALTCHAIN is in its labels and sigma) exactly when ALTCHAIN arcs were made; user pointers are
 * dropped. With parameter word KORA_VERBOSE on, the sizes before and after and the changes are
 * written to stderr. Refused with a warning, unchanged: a network already optimized ("Nothing
 * to do; network has already been optimized.") or with shared arcs. Operations that change arc
 * lists un-optimize their operands first, with a warning; apply and save_net take optimized
 * networks as they are (a saved one loads back optimized). */
KORA_API void optimize_arcs(NET *net);

/* Restores the plain form of an optimized network in place; deterministic and minimized as
 * before optimize_arcs. A network that is not optimized is left alone; one with shared arcs is
 * refused with an error ("Cannot unoptimize a net with shared arcs.\nPlease do 'unshare arcs'
 * first."). */
KORA_API void unoptimize_arcs(NET *net);

/* Splices the lists of an optimized network in place so that its ALTCHAIN arcs and the states
 * that held the shared runs disappear: a run of arcs is stored once and read by every list
 * that ends with it. The result can be applied and saved (saving writes an optimized network),
 * not modified. Returns 0 on success or when the arcs are shared already, 1 after an error for
 * a network that is not optimized ("Arcs cannot be shared because the network has not been
 * optimized.") or has a malformed list. */
KORA_API int share_arcs(NET *net);

/* Returns a new plain copy of a network with shared arcs (every list whole) and frees the
 * argument, which the caller must not use again; the copy belongs to the caller. Null for a
 * null argument. */
KORA_API NET *unshare_arcs(NET *net);

#ifdef __cplusplus
}
#endif

#endif /* KORA_H */
