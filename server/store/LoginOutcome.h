#pragma once

// What the check of an API request's login found.
enum class LoginOutcome { Accepted, Unknown, WrongKey, Disabled };
