// A stand-in's JSON configuration, read strictly. A number must fit the
// field it goes to, a text must be text, a key may appear once in an object,
// and once the whole file is read every key that nothing asked for is refused
// (Document::finish): a stand-in that quietly ignored a misspelt key, kept the
// last of two values or wrapped -5 into a count would serve a machine other
// than the one described. Every refusal names the value by its place in the
// file, as "/adapters/1/count: ...".
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace standin_config {

class Document;

class Node {
public:
    // Its place in the file: "" for the whole file, "/objects/2/at" below.
    const std::string& path() const { return path_; }
    const nlohmann::json& json() const { return *json_; }

    // Whether the key is there (asking does not count as reading it);
    // refused when this is not an object.
    bool contains(const std::string& key) const;
    // The key's value (reading it); refused when the key is missing.
    Node at(const std::string& key) const;
    // An array's element; refused when out of range.
    Node at(std::size_t index) const;
    // The number of an array's elements or an object's keys.
    std::size_t size() const { return json_->size(); }

    // An array's elements; refused when this is not an array.
    std::vector<Node> elements() const;
    // The elements of the array under the key; none when the key is absent.
    std::vector<Node> elements(const std::string& key) const;
    // An object's keys and values, every key counting as read; refused when
    // this is not an object.
    std::vector<std::pair<std::string, Node>> members() const;

    // The value as T: a whole number within T's range, true or false, a text,
    // or an array of those.
    template <class T> T get() const;
    // A whole number within [min, max].
    template <class T> T within(T min, T max) const {
        static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>);
        return static_cast<T>(integer(min, max));
    }
    // The key's value as T, or the fallback when the key is absent.
    template <class T> T value(const std::string& key, const T& fallback) const {
        return contains(key) ? at(key).get<T>() : fallback;
    }
    std::string value(const std::string& key, const char* fallback) const {
        return value(key, std::string(fallback));
    }
    // The key's value as a whole number within [min, max], or the fallback
    // when the key is absent.
    template <class T> T within(const std::string& key, T min, T max, T fallback) const {
        return contains(key) ? at(key).within(min, max) : fallback;
    }
    // The place to name for a value read with a fallback: the key's value
    // when it is there, else this object (whose default it took).
    Node place(const std::string& key) const { return contains(key) ? at(key) : *this; }

    // For a member of an object whose keys are indexes ("0", "17"): its key
    // as a number below `count`.
    std::size_t keyIndex(std::size_t count) const;

    // Throws std::runtime_error "<path>: <reason>".
    [[noreturn]] void refuse(const std::string& reason) const;

private:
    friend class Document;
    using ReadKeys = std::map<const nlohmann::json*, std::set<std::string>>;
    Node(const nlohmann::json* json, std::string path, ReadKeys* read)
        : json_(json), path_(std::move(path)), read_(read) {}

    // The value as a whole number within [min, max], in two's complement.
    std::uint64_t integer(std::int64_t min, std::uint64_t max) const;
    double number() const;
    const std::string& text() const;
    bool boolean() const;

    const nlohmann::json* json_;
    std::string path_;
    ReadKeys* read_;
};

template <class T> struct IsVector : std::false_type {};
template <class T, class A> struct IsVector<std::vector<T, A>> : std::true_type {};

template <class T> T Node::get() const {
    if constexpr (std::is_same_v<T, bool>) {
        return boolean();
    } else if constexpr (std::is_integral_v<T>) {
        const auto min = static_cast<std::int64_t>(std::numeric_limits<T>::min());
        const auto max = static_cast<std::uint64_t>(std::numeric_limits<T>::max());
        return static_cast<T>(integer(min, max));
    } else if constexpr (std::is_floating_point_v<T>) {
        return static_cast<T>(number());
    } else if constexpr (std::is_same_v<T, std::string>) {
        return text();
    } else {
        static_assert(IsVector<T>::value, "not a type a configuration value is read as");
        T out;
        for (const Node& element : elements())
            out.push_back(element.get<typename T::value_type>());
        return out;
    }
}

// The identities a list must not repeat (task ids, drive addresses): the
// second use of one is refused where it is written.
template <class Key> class Distinct {
public:
    // Refuses `at` with "<what> is described twice" when `key` came before.
    void add(const Key& key, const Node& at, const std::string& what) {
        if (!seen_.insert(key).second)
            at.refuse(what + " is described twice");
    }

private:
    std::set<Key> seen_;
};

// The parsed file and the keys read from it.
class Document {
public:
    // Refused (std::runtime_error) when the text is not JSON, not an object,
    // or gives a key twice in one object.
    explicit Document(const std::string& text);
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    Node root() const { return Node(&json_, "", &read_); }
    // Refuses a key that nothing read (the first in key order).
    void finish() const;

private:
    nlohmann::json json_;
    mutable Node::ReadKeys read_;
};

} // namespace standin_config
